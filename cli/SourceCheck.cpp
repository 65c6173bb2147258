#include "SourceCheck.h"

#include "driver/SourceKind.h"

#include <tessaro/CodePage.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
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

SourceFacts CheckSource(const std::string& file) {
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

    // Lines as the import reads them end at CR or CR LF; lines as an editor shows them
    // end at CR, LF or CR LF (for the line numbers of the hints).
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
                lineOpen = true;
                ++facts.loneLineFeeds;
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

NormalizedCopy Normalize(const std::string& from, const std::string& to, SourceFacts::Kind kind) {
    const bool fixedColumns = kind == SourceFacts::Kind::SymbolTable;
    NormalizedCopy copy;
    int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (out < 0) throw std::runtime_error("cannot write " + to + ": " + std::strerror(errno));
    std::string buffer, writeError;
    size_t column = 0;
    bool lineHadTab = false;
    std::string indentation;  // of a data-block source's line, while only blanks and tabs were read
    bool inIndentation = true;
    char previous = '\0';
    auto flush = [&] {
        for (size_t done = 0; done < buffer.size() && writeError.empty();) {
            ssize_t n = ::write(out, buffer.data() + done, buffer.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) writeError = std::strerror(errno);
            else done += static_cast<size_t>(n);
        }
        buffer.clear();
    };
    auto endIndentation = [&] {
        if (inIndentation && !fixedColumns) buffer += indentation.find('\t') == std::string::npos ? indentation : "   ";
        inIndentation = false;
        indentation.clear();
    };
    auto endLine = [&] {
        endIndentation();
        if (lineHadTab) ++copy.tabLines;
        lineHadTab = false;
        inIndentation = true;
        column = 0;
    };
    const std::string readError = ReadBlocks(from, [&](std::string_view block) {
        for (char c : block) {
            if (c == '\r' || c == '\n') {
                endIndentation();
                const bool lone = c == '\n' && previous != '\r';
                buffer += lone ? "\r\n" : std::string(1, c);
                copy.lineEnds += lone;
                endLine();
            } else if (!fixedColumns && inIndentation && (c == ' ' || c == '\t')) {
                indentation += c;
                lineHadTab |= c == '\t';
            } else if (c == '\t') {
                endIndentation();
                const size_t blanks = fixedColumns ? 8 - column % 8 : 1;
                buffer.append(blanks, ' ');
                column += blanks;
                lineHadTab = true;
            } else {
                endIndentation();
                buffer += c;
                ++column;
            }
            previous = c;
        }
        flush();
    });
    endLine();
    flush();
    if (::close(out) != 0 && writeError.empty()) writeError = std::strerror(errno);
    if (!readError.empty()) throw std::runtime_error("cannot read " + from + ": " + readError);
    if (!writeError.empty()) throw std::runtime_error("cannot write " + to + ": " + writeError);
    return copy;
}

}  // namespace tessaro::cli
