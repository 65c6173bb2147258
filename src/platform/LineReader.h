#pragma once
// Reads a text file line by line in bounded memory. A line ends at a carriage return or
// at a carriage return followed by a line feed; a line feed alone stays part of the line,
// unless the reader is told to end lines at a lone line feed as well. A last line
// without terminator is a line; a file that ends with a terminator has no empty last line.
//
// Tabs stay as they are, unless the reader is told to make them blanks: in fixed columns
// (a symbol table) up to the next multiple of 8 columns; in a data-block source a line's
// indentation that holds a tab becomes the three blanks an exported value line starts
// with, and any other tab one blank.

#include <string>
#include <string_view>
#include <vector>

namespace tessaro {

class LineReader {
public:
    enum class Tabs { AsWritten, ToColumns, ToValueIndentation };

    // Opens the file; FileNotFound (53) when it does not exist, PathFileAccessError (75)
    // when it cannot be opened.
    explicit LineReader(const std::string& path, bool lineFeedEnds = false, Tabs tabs = Tabs::AsWritten);
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // True when no further line can be read.
    bool AtEnd() { return begin_ == end_ && !Fill(); }

    // The next line without its terminator; valid until the next call. Reading past
    // the end fails with InputPastEndOfFile (62), a read error with PathFileAccessError.
    std::string_view ReadLine() { return ReadLineStart(std::string_view::npos); }
    // The same line's first count bytes at most, for a look at its first columns: only
    // they are turned from tabs (but for an indentation, whose tabs need the whole line).
    std::string_view ReadLineStart(size_t count);

    // Reads on into line until found(line) holds, from line as it stands. False when the
    // file has ended, even at a line that was found.
    template <class Found>
    bool ReadUntil(std::string& line, Found found) {
        while (!found(std::string_view(line)) && !AtEnd()) line = ReadLine();
        return !AtEnd();
    }

    void Close();

    // What was read so far: lines, lines ended by a lone line feed, lines whose tabs
    // (of what was read of them) became blanks.
    size_t Lines() const { return lines_; }
    size_t LoneLineFeeds() const { return loneLineFeeds_; }
    size_t TabLines() const { return tabLines_; }

private:
    // Refills the buffer when it is used up; false at the end of the file.
    bool Fill();
    // The next line, in the buffer when it ends there.
    inline std::string_view NextLine();
    // A line that runs past the buffer, gathered in long_ block by block.
    std::string_view LongLine();
    // Where the line from begin_ ends in the buffer: at its first CR, or at a lone LF
    // before it where LFs end lines; end_ when neither is in the buffer.
    inline size_t LineEnd();
    // Moves past the line end at: a CR, its LF when one follows, or a lone LF.
    inline void PassTerminator(size_t at);
    std::string_view Expanded(std::string_view line);
    // The position of the first c in the buffer at or after from, end_ when there is
    // none; found once and kept in found while the lines read stay before it.
    inline size_t Find(char c, size_t from, size_t& found) const;

    int fd_ = -1;
    std::vector<char> buffer_;
    size_t begin_ = 0;
    size_t end_ = 0;
    bool eof_ = false;
    bool skipLineFeed_ = false;  // the last line ended in CR at the end of the buffer
    bool lineFeedEnds_ = false;
    Tabs tabs_ = Tabs::AsWritten;
    size_t nextCR_ = kUnknown;   // Find's results in the current buffer
    size_t nextTab_ = kUnknown;
    static constexpr size_t kUnknown = static_cast<size_t>(-1);
    std::string long_;           // a line that crosses buffer boundaries
    std::string expanded_;       // a line whose tabs became blanks
    size_t lines_ = 0;
    size_t loneLineFeeds_ = 0;
    size_t tabLines_ = 0;
};

}  // namespace tessaro
