#pragma once
// The rows of a symbol table in the two other export formats, read from the lines of the
// line reader into the fields that the symbol-table line record takes.
//
// SDF: one row per line; every field in double quotes, fields separated by commas; blanks
//   inside the quotes are not part of the field; a doubled quote is a quote, and so is a
//   single one that neither ends the line nor comes before a comma and the next field's
//   opening quote (the newer tool does not double the quotes of a comment). Four fields
//   (symbol, operand, data type, comment) or, from the newer tool generation, nine (name,
//   operand such as "%I0.0", data type, three flags, comment, an empty field, a flag).
//   Empty lines are passed over.
// DIF: a header of entries from TABLE to DATA, each a topic line, a line "vector,value"
//   and a quoted text. Then cells of two lines each: "-1,0" and BOT begins a row, "-1,0"
//   and EOD ends the table; "1,0" and a quoted text is a text cell, "0,N" and a value
//   word (V) a number cell, read as the text N. A row holds four cells: symbol, operand,
//   data type, comment. Empty lines are passed over; the end of the file at a row's end
//   ends the table as EOD does.
//
// The operand holds area and address together ("E 0.0", "MW 4", "DB 20", "%IW256"): a
// leading "%" is dropped and the rest split at its first blank or digit.
//
// A file whose content does not fit its format fails with InvalidArgument, the
// description naming the line ("line 12: ..."); a file without any row fails as well.

#include "asc/VariableASCInfoRecord.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace tessaro {

class LineReader;

struct SymbolOperand {
    std::string_view Area;
    std::string_view Address;
};
SymbolOperand SplitOperand(std::string_view operand);

enum class SymbolRowFormat { SDF, DIF };

class SymbolRowReader {
public:
    SymbolRowReader(LineReader& file, SymbolRowFormat format) : file_(file), format_(format) {}

    // The next row's fields, valid until the next call; false after the last row.
    bool Next(SymbolLineColumns& row);

    // The lines read so far.
    size_t Lines() const { return lines_; }
    // The line of the row the last Next gave or failed in: an SDF row's own line, a DIF
    // row's BOT line; 0 when that Next began no row (it failed before one, or ended).
    size_t RowLine() const { return rowLine_; }

private:
    bool NextSdf(SymbolLineColumns& row);
    bool NextDif(SymbolLineColumns& row);
    void ReadDifHeader();
    bool ReadLine(std::string_view& line);  // the next line that is not empty, trimmed
    bool ReadCell();                        // into cellType_ and cellText_; false at the end
    void Fill(SymbolLineColumns& row, size_t symbol, size_t operand, size_t type, size_t comment) const;
    // Fails naming the line (by default the last one read).
    [[noreturn]] void Fail(std::string_view what, size_t line = 0) const;

    LineReader& file_;
    SymbolRowFormat format_;
    size_t lines_ = 0;
    size_t rows_ = 0;
    size_t rowLine_ = 0;
    bool started_ = false;  // the DIF header was read
    bool ended_ = false;
    bool pending_ = false;  // a DIF cell of type -1 read past the end of the last row
    int cellType_ = 0;
    std::string cellText_;
    std::array<std::string, 9> fields_;  // the current row's texts, unquoted
};

}  // namespace tessaro
