#pragma once
// What the command line learns about a FILE before the import, in one read of it: whether
// the import will read it at all, lone LFs and tabs (which --exact reads other than a user
// expects), and where its lines lie (for the progress). The import itself is not changed.

#include <cstdint>
#include <string>
#include <vector>

namespace tessaro::cli {

struct SourceFacts {
    enum class Kind { None, SymbolTable, DataBlockSource } kind = Kind::None;
    std::string file;
    std::string skipped;     // why the import does not read the file, or empty
    std::string unreadable;  // why the file cannot be read, or empty
    size_t loneLineFeeds = 0;
    size_t tabValueLines = 0;  // data-block value lines holding a tab
    size_t firstTabValueLine = 0;
    uintmax_t bytes = 0;
    // The byte offset after every kLinesPerMark-th line as the import reads lines; the
    // last entry is the whole file.
    static constexpr size_t kLinesPerMark = 4096;
    std::vector<uintmax_t> marks;
    size_t lines = 0;  // as the import reads them
};

// lineFeedEnds: the import ends lines at a lone LF as well (lines and marks count so).
SourceFacts CheckSource(const std::string& file, bool lineFeedEnds);


}  // namespace tessaro::cli
