#include "Progress.h"

#include "Plural.h"

#include <tessaro/Platform.h>

#include <cstdio>
#include <filesystem>

namespace tessaro::cli {

Progress::Progress(std::vector<const SourceFacts*> reads, size_t width) : reads_(std::move(reads)), width_(width) {
    for (const auto* read : reads_) totalBytes_ += read->bytes;
    SetYieldHook(&Progress::OnLine, this);
}

Progress::~Progress() {
    SetYieldHook(nullptr, nullptr);
    if (drawn_) std::fputs("\r\x1b[K", stderr);
}

double Progress::Seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void Progress::OnLine(void* context) {
    auto& self = *static_cast<Progress*>(context);
    if (++self.lines_ % 1024 != 0 || self.width_ == 0) return;
    auto now = std::chrono::steady_clock::now();
    if (now - self.start_ < std::chrono::milliseconds(500) || now - self.last_ < std::chrono::milliseconds(200)) return;
    self.last_ = now;
    self.Draw();
}

void Progress::Draw() {
    // The source being read and the bytes read so far, from the lines read so far.
    size_t line = lines_;
    uintmax_t bytes = 0;
    const SourceFacts* current = nullptr;
    for (const auto* read : reads_) {
        current = read;
        if (line < read->lines) {
            const size_t mark = line / SourceFacts::kLinesPerMark;
            const uintmax_t from = mark == 0 ? 0 : read->marks[mark - 1];
            const uintmax_t to = read->marks[std::min(mark, read->marks.size() - 1)];
            bytes += from + (to - from) * (line % SourceFacts::kLinesPerMark) / SourceFacts::kLinesPerMark;
            break;
        }
        line -= read->lines;
        bytes += read->bytes;
    }
    const double seconds = Seconds();
    const double share = totalBytes_ ? std::min(1.0, static_cast<double>(bytes) / static_cast<double>(totalBytes_)) : 1.0;
    std::string text = "tessaro: " + (current ? std::filesystem::path(current->file).filename().string() : "") + " " +
                       std::to_string(static_cast<int>(share * 100)) + "%, " +
                       Counted(static_cast<size_t>(static_cast<double>(lines_) / seconds), "line") + "/s";
    if (share > 0.01) text += ", " + std::to_string(static_cast<long>(seconds / share - seconds + 0.5)) + " s left";
    if (text.size() >= width_) text.resize(width_ - 1);
    std::fprintf(stderr, "\r%s\x1b[K", text.c_str());
    std::fflush(stderr);
    drawn_ = true;
}

}  // namespace tessaro::cli
