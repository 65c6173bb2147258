#include "SourceCheck.h"

#include "driver/SourceKind.h"

#include <tessaro/CodePage.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessaro::cli {
namespace {

std::string WhySkipped(const std::string& file, const struct stat* info) {
    if (file == "-") return "standard input is not read";
    if (info && S_ISDIR(info->st_mode)) return "a folder, not a file";
    if (info && !S_ISREG(info->st_mode)) return "not a plain file";
    if (IsSourceOfKind(file, ".SEQ")) return "a SEQ symbol table carries no data types (export it as ASC, SDF or DIF)";
    return "the name does not end in .ASC, .SDF, .DIF or .AWL";
}

// Reads a file block by block, handing each block to the visitor; the error text of a
// failed open or read, or empty.
template <typename Visit>
std::string ReadBlocks(const std::string& file, Visit visit) {
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::strerror(errno);
    std::array<char, 65536> block;
    std::string error;
    for (;;) {
        ssize_t n = ::read(fd, block.data(), block.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) error = std::strerror(errno);
        if (n <= 0) break;
        visit(std::string_view(block.data(), static_cast<size_t>(n)));
    }
    ::close(fd);
    return error;
}

}  // namespace

SourceFacts CheckSource(const std::string& file, bool lineFeedEnds) {
    SourceFacts facts;
    facts.file = file;
    struct stat info {};
    const bool exists = ::stat(file.c_str(), &info) == 0;
    const int statError = errno;
    if (!SymbolTableFormatOf(file, true).empty()) {
        facts.kind = SourceFacts::Kind::SymbolTable;
    } else if (IsSourceOfKind(file, kDataBlockSourceExtension)) {
        facts.kind = SourceFacts::Kind::DataBlockSource;
    } else {
        facts.skipped = WhySkipped(file, exists ? &info : nullptr);
        return facts;
    }
    if (!exists) {
        facts.unreadable = std::strerror(statError);
        return facts;
    }
    if (!S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) return facts;  // reading a pipe would take its data

    // Lines as the import reads them end at CR or CR LF, and at a lone LF where it is told
    // so; lines as an editor shows them end at CR, LF or CR LF (for the line numbers of
    // the hints).
    const bool dataBlocks = facts.kind == SourceFacts::Kind::DataBlockSource;
    char previous = '\0';
    size_t shownLine = 1;
    std::string head;  // the start of the shown line, upper-cased, for the block keywords
    bool lineHasTab = false, inBlock = false, inValues = false;
    auto endShownLine = [&] {
        size_t first = head.find_first_not_of(" \t");
        std::string_view word = first == std::string::npos ? std::string_view() : std::string_view(head).substr(first);
        if (word.starts_with("END_DATA_BLOCK")) {
            inBlock = inValues = false;
        } else if (word.starts_with("DATA_BLOCK")) {
            inBlock = true;
        } else if (inBlock && word.starts_with("BEGIN")) {
            inValues = true;
        } else if (inValues && lineHasTab) {
            if (facts.tabValueLines++ == 0) facts.firstTabValueLine = shownLine;
        }
        ++shownLine;
        head.clear();
        lineHasTab = false;
    };
    uintmax_t offset = 0;
    bool lineOpen = false;
    facts.unreadable = ReadBlocks(file, [&](std::string_view block) {
        // From line end to line end: the next CR and the next LF are each searched once.
        const size_t n = block.size();
        size_t nextCr = 0, nextLf = 0, at = 0;
        bool crKnown = false, lfKnown = false;
        auto next = [&](char wanted, size_t& found, bool& known) {
            if (!known || found < at) {
                const void* hit = std::memchr(block.data() + at, wanted, n - at);
                found = hit ? static_cast<size_t>(static_cast<const char*>(hit) - block.data()) : n;
                known = true;
            }
            return found;
        };
        while (at < n) {
            const size_t end = std::min(next('\r', nextCr, crKnown), next('\n', nextLf, lfKnown));
            if (end > at) {  // the characters of a line
                const std::string_view text = block.substr(at, end - at);
                lineOpen = true;
                if (dataBlocks) {
                    lineHasTab = lineHasTab || text.find('\t') != std::string_view::npos;
                    for (size_t i = 0; i < text.size() && head.size() < 16; ++i)
                        head += static_cast<char>(text[i] >= 'a' && text[i] <= 'z' ? text[i] - 'a' + 'A' : text[i]);
                }
                previous = text.back();
            }
            if (end == n) break;
            const char c = block[end];
            at = end + 1;
            if (c == '\r') {
                if (++facts.lines % SourceFacts::kLinesPerMark == 0) facts.marks.push_back(offset + at);
                lineOpen = false;
            } else if (previous != '\r') {
                lineOpen = !lineFeedEnds;
                ++facts.loneLineFeeds;
                if (lineFeedEnds && ++facts.lines % SourceFacts::kLinesPerMark == 0) facts.marks.push_back(offset + at);
            }
            if (dataBlocks && (c == '\r' || previous != '\r')) endShownLine();
            previous = c;
        }
        offset += n;
    });
    if (lineOpen) ++facts.lines;
    if (dataBlocks && !head.empty()) endShownLine();
    facts.bytes = offset;
    facts.marks.push_back(offset);
    return facts;
}

}  // namespace tessaro::cli
