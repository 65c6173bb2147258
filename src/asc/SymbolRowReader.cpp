#include "asc/SymbolRowReader.h"

#include "platform/LineReader.h"
#include "platform/Text.h"

#include <tessaro/RuntimeError.h>

namespace tessaro {
namespace {

// Where the two layouts of an SDF row keep symbol, operand, data type and comment.
constexpr size_t kClassicFields = 4;
constexpr size_t kNewerFields = 9;
constexpr size_t kNewerComment = 6;
constexpr size_t kDifCells = 4;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The text between the quotes that open and close quoted, with every doubled quote made
// one; false when quoted is not one quoted text.
bool Unquote(std::string_view quoted, std::string& text) {
    text.clear();
    if (quoted.size() < 2 || quoted.front() != '"' || quoted.back() != '"') return false;
    quoted = quoted.substr(1, quoted.size() - 2);
    for (size_t at = 0; at < quoted.size(); ++at) {
        if (quoted[at] == '"' && (++at == quoted.size() || quoted[at] != '"')) return false;
        text += quoted[at];
    }
    return true;
}

// A line as an error names it: in quotes, cut after 24 bytes, control characters as blanks.
std::string Shown(std::string_view line) {
    constexpr size_t kShown = 24;
    std::string shown = "\"";
    for (char c : line.substr(0, kShown)) shown += static_cast<unsigned char>(c) < ' ' ? ' ' : c;
    return shown + (line.size() > kShown ? "...\"" : "\"");
}

}  // namespace

SymbolOperand SplitOperand(std::string_view operand) {
    operand = TrimBlanks(operand);
    if (!operand.empty() && operand.front() == '%') operand = operand.substr(1);
    size_t at = 0;
    while (at < operand.size() && operand[at] != ' ' && !IsDigit(operand[at])) ++at;
    return {TrimBlanks(operand.substr(0, at)), TrimBlanks(operand.substr(at))};
}

void SymbolRowReader::Fail(std::string_view what, size_t line) const {
    if (line == 0) line = lines_;
    throw RuntimeError(InvalidArgument, (line ? "line " + std::to_string(line) + ": " : "") + std::string(what));
}

bool SymbolRowReader::ReadLine(std::string_view& line) {
    while (!file_.AtEnd()) {
        ++lines_;
        line = TrimBlanks(file_.ReadLine());
        if (!line.empty()) return true;
    }
    return false;
}

void SymbolRowReader::Fill(SymbolLineColumns& row, size_t symbol, size_t operand, size_t type, size_t comment) const {
    const SymbolOperand split = SplitOperand(fields_[operand]);
    row = {TrimBlanks(fields_[symbol]), split.Area, split.Address, TrimBlanks(fields_[type]),
           TrimBlanks(fields_[comment])};
}

bool SymbolRowReader::Next(SymbolLineColumns& row) {
    rowLine_ = 0;
    const bool more = format_ == SymbolRowFormat::SDF ? NextSdf(row) : NextDif(row);
    if (more) {
        ++rows_;
    } else if (rows_ == 0) {
        Fail(lines_ == 0 ? "the file is empty" : "the file holds no row of a symbol table");
    }
    return more;
}

bool SymbolRowReader::NextSdf(SymbolLineColumns& row) {
    std::string_view line;
    if (!ReadLine(line)) return false;
    rowLine_ = lines_;
    size_t count = 0;
    for (size_t at = 0;;) {
        auto fieldName = [&] { return "field " + std::to_string(count + 1); };
        if (count == kNewerFields) Fail("more than 9 fields, where a row has 4 or 9");
        if (at == line.size() || line[at] != '"') Fail(fieldName() + " does not begin with a quote");
        std::string& field = fields_[count];
        field.clear();
        for (++at;;) {
            const size_t quote = line.find('"', at);
            if (quote == std::string_view::npos) Fail(fieldName() + " has no closing quote");
            field.append(line.substr(at, quote - at));
            at = quote + 1;
            if (at == line.size() || line.substr(at, 2) == ",\"") break;  // the field's closing quote
            if (line[at] == '"') ++at;  // a doubled quote
            field += '"';               // (a quote the export did not double is kept as well)
        }
        ++count;
        if (at == line.size()) break;
        ++at;  // the comma
    }
    if (count == kClassicFields) {
        Fill(row, 0, 1, 2, 3);
    } else if (count == kNewerFields) {
        Fill(row, 0, 1, 2, kNewerComment);
    } else {
        Fail(std::to_string(count) + (count == 1 ? " field" : " fields") + ", where a row has 4 or 9");
    }
    return true;
}

bool SymbolRowReader::ReadCell() {
    std::string_view kind, value;
    if (!ReadLine(kind)) return false;
    const size_t comma = kind.find(',');
    const std::string_view type = TrimBlanks(kind.substr(0, comma));
    if (comma == std::string_view::npos || (type != "-1" && type != "0" && type != "1"))
        Fail(Shown(kind) + ", where a cell begins with -1, 0 or 1, a comma and a number");
    if (!ReadLine(value)) Fail("the file ends inside a cell");
    cellType_ = type == "-1" ? -1 : type == "0" ? 0 : 1;
    if (cellType_ == 0) {
        cellText_ = TrimBlanks(kind.substr(comma + 1));  // the number; its value word is not needed
    } else if (cellType_ == -1) {
        cellText_ = value;
    } else if (!Unquote(value, cellText_)) {
        Fail("a text cell's value is not one quoted text");
    }
    return true;
}

void SymbolRowReader::ReadDifHeader() {
    std::string_view topic;
    if (!ReadLine(topic)) return;  // an empty file: no row
    if (topic != "TABLE") Fail(Shown(topic) + ", where a DIF file begins with TABLE");
    for (;;) {
        std::string_view numbers, text;
        const bool data = topic == "DATA";
        if (!ReadLine(numbers) || !ReadLine(text) || (!data && !ReadLine(topic)))
            Fail("the file ends inside its header, before DATA");
        if (numbers.find(',') == std::string_view::npos) Fail("a header entry without its \"vector,value\" line");
        if (data) return;
    }
}

bool SymbolRowReader::NextDif(SymbolLineColumns& row) {
    if (!started_) {
        started_ = true;
        ReadDifHeader();
    }
    if (ended_) return false;
    if (!pending_ && !ReadCell()) return false;
    pending_ = false;
    if (cellType_ == -1 && cellText_ == "EOD") {
        ended_ = true;
        return false;
    }
    if (cellType_ != -1 || cellText_ != "BOT") Fail("a cell outside a row, where -1,0 and BOT begin one");
    const size_t begin = lines_;
    rowLine_ = begin;
    size_t count = 0;
    for (;;) {
        if (!ReadCell()) {  // the end of the file ends the table
            cellType_ = -1;
            cellText_ = "EOD";
            pending_ = true;
            break;
        }
        if (cellType_ == -1) {
            pending_ = true;
            break;
        }
        if (count == kDifCells) Fail("a row of more than 4 cells");
        fields_[count++] = cellText_;
    }
    if (count < kDifCells)
        Fail("a row of " + std::to_string(count) + (count == 1 ? " cell" : " cells") + ", where 4 are due", begin);
    Fill(row, 0, 1, 2, 3);
    return true;
}

}  // namespace tessaro
