#include "platform/LineReader.h"

#include <tessaro/RuntimeError.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tessaro {

namespace {
constexpr size_t kBlock = 1 << 16;
// Bytes as they are: no line-end translation where the C library would do it.
#ifdef O_BINARY
constexpr int kOpenFlags = O_RDONLY | O_BINARY;
#else
constexpr int kOpenFlags = O_RDONLY | O_CLOEXEC;
#endif
}

LineReader::LineReader(const std::string& path, bool lineFeedEnds, Tabs tabs)
    : buffer_(kBlock), lineFeedEnds_(lineFeedEnds), tabs_(tabs) {
    if (path.empty()) throw RuntimeError(BadFileNameOrNumber);
    fd_ = ::open(path.c_str(), kOpenFlags);
    if (fd_ < 0) throw RuntimeError(errno == ENOENT || errno == ENOTDIR ? FileNotFound : PathFileAccessError,
                                    path + ": " + std::strerror(errno));
}

LineReader::~LineReader() { Close(); }

void LineReader::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool LineReader::Fill() {
    while (begin_ == end_) {
        if (eof_ || fd_ < 0) return false;
        ssize_t n;
        do {
            n = ::read(fd_, buffer_.data(), static_cast<unsigned>(buffer_.size()));  // one block, always < 4 GiB
        } while (n < 0 && errno == EINTR);
        if (n < 0) throw RuntimeError(PathFileAccessError, std::strerror(errno));
        begin_ = 0;
        end_ = static_cast<size_t>(n);
        nextCR_ = nextTab_ = kUnknown;
        if (n == 0) eof_ = true;
        if (skipLineFeed_ && end_ > 0) {
            skipLineFeed_ = false;
            if (buffer_[0] == '\n') begin_ = 1;
        }
    }
    return true;
}

size_t LineReader::Find(char c, size_t from, size_t& found) const {
    if (found < from || found > end_) {
        const void* at = std::memchr(buffer_.data() + from, c, end_ - from);
        found = at ? static_cast<size_t>(static_cast<const char*>(at) - buffer_.data()) : end_;
    }
    return found;
}

size_t LineReader::LineEnd() {
    // The next CR is kept, so a file without CRs is searched once a block.
    const size_t cr = Find('\r', begin_, nextCR_);
    // A lone LF before the next CR (an LF right after a CR was taken with it).
    const void* lf = lineFeedEnds_ ? std::memchr(buffer_.data() + begin_, '\n', cr - begin_) : nullptr;
    return lf ? static_cast<size_t>(static_cast<const char*>(lf) - buffer_.data()) : cr;
}

void LineReader::PassTerminator(size_t at) {
    begin_ = at + 1;
    if (buffer_[at] == '\n')
        ++loneLineFeeds_;
    else if (begin_ == end_)
        skipLineFeed_ = true;  // an LF that begins the next block is this CR's
    else if (buffer_[begin_] == '\n')
        ++begin_;
}

std::string_view LineReader::NextLine() {
    const size_t at = LineEnd();
    if (at == end_) return LongLine();
    const std::string_view line(buffer_.data() + begin_, at - begin_);
    PassTerminator(at);
    return line;
}

std::string_view LineReader::LongLine() {
    long_.assign(buffer_.data() + begin_, end_ - begin_);
    begin_ = end_;
    while (Fill()) {
        const size_t at = LineEnd();
        long_.append(buffer_.data() + begin_, at - begin_);
        if (at < end_) {
            PassTerminator(at);
            break;
        }
        begin_ = end_;
    }
    return long_;
}

std::string_view LineReader::ReadLineStart(size_t count) {
    if (AtEnd()) throw RuntimeError(InputPastEndOfFile);
    ++lines_;
    std::string_view line = NextLine();
    // In columns a tab moves only what follows it, so the start of a line's expansion is
    // the expansion of its start.
    if (tabs_ != Tabs::ToValueIndentation) line = line.substr(0, count);
    if (tabs_ == Tabs::AsWritten) return line;
    // A line in the buffer holds a tab when the buffer's next tab lies before the line's
    // end (that tab is kept, so a file without tabs is searched once a block).
    const size_t from = static_cast<size_t>(line.data() - buffer_.data());
    const bool tab = line.data() != long_.data() ? Find('\t', from, nextTab_) < from + line.size()
                                                 : line.find('\t') != std::string_view::npos;
    if (!tab) return line.substr(0, count);
    ++tabLines_;
    return Expanded(line).substr(0, count);
}

std::string_view LineReader::Expanded(std::string_view line) {
    expanded_.clear();
    size_t from = 0;
    if (tabs_ == Tabs::ToValueIndentation) {
        const size_t text = std::min(line.find_first_not_of(" \t"), line.size());
        const std::string_view indentation = line.substr(0, text);
        if (indentation.find('\t') == std::string_view::npos)
            expanded_.append(indentation);
        else
            expanded_.append("   ");
        from = text;
    }
    for (char c : line.substr(from)) {
        if (c != '\t')
            expanded_.push_back(c);
        else if (tabs_ == Tabs::ToColumns)
            expanded_.append(8 - expanded_.size() % 8, ' ');
        else
            expanded_.push_back(' ');
    }
    return expanded_;
}

}  // namespace tessaro
