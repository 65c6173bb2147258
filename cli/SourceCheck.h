#pragma once
// What the command line learns about a FILE before the import, in one read of it: whether
// the import will read it at all, line ends and tabs that it would read other than a user
// expects, and where its lines lie (for the progress). The import itself is not changed.

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
    // The byte offset after every kLinesPerMark-th line as the import reads lines (to CR
    // or CR LF); the last entry is the whole file.
    static constexpr size_t kLinesPerMark = 4096;
    std::vector<uintmax_t> marks;
    size_t lines = 0;  // as the import reads them
};

SourceFacts CheckSource(const std::string& file);

// A copy of a source with every lone LF made CR LF and its tabs made blanks; nothing else
// changes. In a symbol table (fixed columns) a tab becomes blanks up to the next multiple
// of 8 columns. In a data-block source a line's indentation that holds a tab becomes the
// three blanks that an exported value line starts with (the import reads a value line's
// value at columns counted from there), and any other tab one blank.
struct NormalizedCopy {
    size_t lineEnds = 0;    // lone LFs made CR LF
    size_t tabLines = 0;    // lines whose tabs became blanks
    bool Changed() const { return lineEnds || tabLines; }
};
NormalizedCopy Normalize(const std::string& from, const std::string& to, SourceFacts::Kind kind);

}  // namespace tessaro::cli
