#pragma once
// What the command line tells about an import on standard error: notes printed as they
// arise (skipped and unreadable files, hints, warnings), and on a terminal a closing
// summary: the counts, the symbol and value lines by fate with their reasons, each kind of
// report with its count and first lines, where the full message log went, and the notes
// once more. The reports are read from the messages the import appended to the merged
// file, the fates from the import's summary.

#include <tessaro/ImportSummary.h>

#include <array>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace tessaro::cli {

class Summary {
public:
    // width: the terminal's width when standard error is a terminal, else 0 (no summary).
    explicit Summary(size_t width) : width_(width) {}
    size_t Width() const { return width_; }
    // Prints "tessaro: " + line now and keeps it for the summary.
    void Note(const std::string& line);
    // Keeps a line for the summary only.
    void Keep(const std::string& line) { notes_.push_back(line); }
    // The reports among the messages of the merged file from offset on.
    void ReadReports(const std::string& merged, uintmax_t offset);
    // The lines of the import by fate and reason, per kind of source.
    void Fates(const ImportSummary& import);
    // Prints the summary when on a terminal.
    void Print(size_t variables, size_t lines, double seconds, const std::string& whereMessages) const;

private:
    struct Kind {
        size_t count = 0;
        std::vector<std::string> first;  // UTF-8
    };
    size_t width_;
    std::vector<std::string> notes_;
    std::vector<std::string> fates_;  // UTF-8, without "tessaro: "
    std::array<Kind, 7> kinds_;  // by the number of their title's message text
};

}  // namespace tessaro::cli
