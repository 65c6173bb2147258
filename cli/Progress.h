#pragma once
// Progress of an import on a terminal: the share of the bytes read, lines per second and
// the time left, redrawn in place on standard error a few times a second once the import
// has taken half a second, and erased at the end. Driven by the importers' once-per-line
// yield; the lines of the sources, counted before the import, turn lines into bytes.

#include "SourceCheck.h"

#include <chrono>
#include <string>
#include <vector>

namespace tessaro::cli {

class Progress {
public:
    // The sources in the order the import reads them (a data-block source twice: once
    // for its types, once for its blocks); width: the terminal's, 0 for no progress.
    Progress(std::vector<const SourceFacts*> reads, size_t width);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;
    size_t Lines() const { return lines_; }
    double Seconds() const;

private:
    static void OnLine(void* context);
    void Draw();
    std::vector<const SourceFacts*> reads_;
    uintmax_t totalBytes_ = 0;
    size_t width_;
    bool drawn_ = false;
    size_t lines_ = 0;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point last_;
};

}  // namespace tessaro::cli
