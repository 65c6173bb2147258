#pragma once
// Reads a text file line by line in bounded memory. A line ends at a carriage return or
// at a carriage return followed by a line feed; a line feed alone stays part of the line.
// A last line without terminator is a line; a file that ends with a terminator has no
// empty last line.

#include <string>
#include <string_view>
#include <vector>

namespace tessaro {

class LineReader {
public:
    // Opens the file; FileNotFound (53) when it does not exist, PathFileAccessError (75)
    // when it cannot be opened.
    explicit LineReader(const std::string& path);
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // True when no further line can be read.
    bool AtEnd();

    // The next line without its terminator; valid until the next call. Reading past
    // the end fails with InputPastEndOfFile (62), a read error with PathFileAccessError.
    std::string_view ReadLine();

    // Reads on into line until found(line) holds, from line as it stands. False when the
    // file has ended, even at a line that was found.
    template <class Found>
    bool ReadUntil(std::string& line, Found found) {
        while (!found(std::string_view(line)) && !AtEnd()) line = ReadLine();
        return !AtEnd();
    }

    void Close();

    // The number of lines read so far: the number of the line ReadLine gave last.
    size_t LinesRead() const { return linesRead_; }

private:
    bool Fill();

    int fd_ = -1;
    std::vector<char> buffer_;
    size_t begin_ = 0;
    size_t end_ = 0;
    bool eof_ = false;
    bool skipLineFeed_ = false;  // the last line ended in CR at the end of the buffer
    std::string long_;           // a line that crosses buffer boundaries
    size_t linesRead_ = 0;
};

}  // namespace tessaro
