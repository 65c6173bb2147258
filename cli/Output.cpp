#include "Output.h"

#include "Commands.h"
#include "TemporaryFiles.h"

#include <tessaro/CodePage.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <charconv>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <numeric>
#include <string>
#include <vector>

namespace tessaro::cli {
namespace {

// A column's field of a row: a text, or a number, or a flag, or nothing (null).
struct Field {
    std::string_view text;
    bool isText = false;
    int32_t number = 0;
    bool flag = false;
    bool null = false;
    bool utf8 = false;  // the text is UTF-8 already (a file as the user named it)
};

Field TextField(std::string_view text) { return {text, true}; }
Field NumberField(int32_t number) { return {{}, false, number}; }

// A row: a variable, or a line of the account, or both.
struct RowOf {
    const Variable* variable = nullptr;
    const AccountEntry* entry = nullptr;
};

Field FieldOf(const RowOf& row, size_t column) {
    if (column >= kRecordColumns) {
        const AccountEntry* e = row.entry;
        if (!e) return {{}, false, 0, false, true};
        switch (column) {
        case 15: return {e->File, true, 0, false, false, true};
        case 16: return NumberField(e->Line);
        case 17: return TextField(e->AbsoluteAddress);
        case 18: return TextField(e->Comment);
        case 19: return TextField(FateName(e->Fate));
        default: return TextField(e->Reason);
        }
    }
    const Variable* v = row.variable;
    if (!v) return column == 0 && row.entry ? TextField(row.entry->Name) : Field{{}, false, 0, false, true};
    switch (column) {
    case 0: return TextField(v->Name);
    case 1: return TextField(v->SectionName);
    case 2: return NumberField(v->DeviceId);
    case 3: return NumberField(v->NestingLevel);
    case 4: return TextField(v->TagAttribute);
    case 5: return NumberField(v->DataAreaId);
    case 6: return NumberField(v->DataTypeId);
    case 7: return NumberField(v->VariableLen);
    case 8: return NumberField(v->FieldAdd1);
    case 9: return NumberField(v->FieldAdd2);
    case 10: return NumberField(v->FieldAdd3);
    case 11: return NumberField(v->FieldAdd4);
    case 12: return NumberField(v->FieldAdd5);
    case 13: return {{}, false, v->Sign, true};
    default: return {{}, false, v->Warning, true};
    }
}

// The rows in order: every variable, or the account's lines of the fates asked for, a
// line that became a variable with it.
template <class Visit>
void ForEachRow(const VariableList& variables, const OutputShape& shape, Visit visit) {
    if (!shape.account) {
        variables.ForEach([&](const VariablePtr& variable) {
            visit(RowOf{variable.get(), nullptr});
            return true;
        });
        return;
    }
    for (const AccountEntry& entry : shape.account->Entries) {
        const bool imported = entry.Fate == LineFate::Imported;
        if ((shape.lines == Lines::Imported && !imported) || (shape.lines == Lines::Rejected && imported)) continue;
        VariablePtr variable;
        if (imported) {
            try {
                variable = variables.Item(entry.Key);
            } catch (const std::exception&) {
                // Not in the list any more (a host's list): the line alone.
            }
        }
        visit(RowOf{variable.get(), &entry});
    }
}

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The records are built in one buffer that goes to the stream in large pieces.
class Buffered {
public:
    explicit Buffered(std::ostream& out) : out_(out) {}
    ~Buffered() { Flush(); }
    std::string& Text() { return text_; }
    void EndRecord() {
        if (text_.size() >= 64 * 1024) Flush();
    }
    // A number or a flag ("true", "false"), or what stands for nothing.
    void Value(const Field& field, std::string_view null) {
        if (field.null) {
            text_.append(null);
            return;
        }
        if (field.flag) {
            text_.append(field.number ? "true" : "false");
            return;
        }
        char digits[12];
        text_.append(digits, std::to_chars(digits, digits + sizeof digits, field.number).ptr);
    }

private:
    void Flush() {
        out_.write(text_.data(), static_cast<std::streamsize>(text_.size()));
        text_.clear();
    }
    std::ostream& out_;
    std::string text_;
};

// One object per line, members in column order, written as the JSON library writes an
// ordered object; texts with characters to escape go through the library.
void WriteJsonl(std::ostream& out, const VariableList& variables, const std::vector<size_t>& columns,
                const OutputShape& shape) {
    Buffered buffer(out);
    std::string& line = buffer.Text();
    ForEachRow(variables, shape, [&](const RowOf& row) {
        line += '{';
        bool first = true;
        for (size_t i : columns) {
            if (!first) line += ',';
            first = false;
            line.append("\"").append(kColumns[i]).append("\":");
            const Field field = FieldOf(row, i);
            if (!field.isText) {
                buffer.Value(field, "null");
                continue;
            }
            const std::string_view text = field.text;
            const bool plain = std::none_of(text.begin(), text.end(), [](char c) {
                return c == '"' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x80;
            });
            if (plain)
                line.append("\"").append(text).append("\"");
            else
                line.append(nlohmann::json(field.utf8 ? std::string(text) : ToUtf8(text))
                                .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
        }
        line.append("}\n");
        buffer.EndRecord();
    });
}

}  // namespace

void AppendCsvField(std::string& out, std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        out.append(text);
        return;
    }
    out += '"';
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

namespace {

void WriteCsv(std::ostream& out, const VariableList& variables, const std::vector<size_t>& columns,
              const OutputShape& shape) {
    Buffered buffer(out);
    std::string& line = buffer.Text();
    for (size_t k = 0; k < columns.size(); ++k) line.append(k ? "," : "").append(kColumns[columns[k]]);
    line.append("\r\n");
    ForEachRow(variables, shape, [&](const RowOf& row) {
        for (size_t k = 0; k < columns.size(); ++k) {
            if (k) line += ',';
            const Field field = FieldOf(row, columns[k]);
            if (!field.isText)
                buffer.Value(field, "");
            else if (field.utf8 || IsAscii(field.text))
                AppendCsvField(line, field.text);
            else
                AppendCsvField(line, ToUtf8(field.text));
        }
        line.append("\r\n");
        buffer.EndRecord();
    });
}

// A field as a table shows it, in UTF-8.
std::string Text(const Field& field) {
    if (field.null) return "";
    if (field.isText) return field.utf8 ? std::string(field.text) : ToUtf8(field.text);
    if (field.flag) return field.number ? "true" : "false";
    return std::to_string(field.number);
}

// Characters on screen: UTF-8 continuation bytes take no column.
size_t Width(const std::string& utf8) {
    return static_cast<size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

// The text cut to width columns, its last one an ellipsis when anything was cut.
std::string Shortened(const std::string& utf8, size_t width) {
    if (Width(utf8) <= width) return utf8;
    if (width == 0) return "";
    size_t columns = 0, end = 0;
    for (; end < utf8.size(); ++end) {
        if ((utf8[end] & 0xC0) != 0x80 && columns++ == width - 1) break;
    }
    return utf8.substr(0, end) + "\xE2\x80\xA6";
}

// Control characters would break the alignment; they are shown as "?".
std::string Printable(std::string text) {
    std::replace_if(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }, '?');
    return text;
}

// Short headers for a table narrowed to a terminal's width.
constexpr std::array<std::string_view, kColumns.size()> kShortHeaders = {
    "Name", "Section", "Dev",  "Nest", "Tag",     "Area", "Type",   "Len", "F1", "F2", "F3",
    "F4",   "F5",      "Sign", "Warn", "File",    "Line", "Addr",   "Comment", "Fate", "Reason",
};

// The columns a narrowed table shortens: texts that may be long (Name, SectionName,
// TagAttribute, the account's File, Address, Comment and Reason).
bool Shortens(size_t column) {
    return column == 0 || column == 1 || column == 4 || column == 15 || column == 17 || column == 18 || column == 20;
}

bool WriteTable(std::ostream& out, const VariableList& variables, const std::vector<size_t>& columns,
                const OutputShape& shape) {
    std::vector<std::vector<std::string>> rows;
    rows.emplace_back();
    for (size_t i : columns) rows.back().emplace_back(kColumns[i]);
    std::vector<std::string> shortHeaders;
    std::vector<bool> texts;
    for (size_t i : columns) {
        shortHeaders.emplace_back(kShortHeaders[i]);
        texts.push_back(Shortens(i));
    }
    ForEachRow(variables, shape, [&](const RowOf& row) {
        std::vector<std::string> fields;
        for (size_t i : columns) fields.push_back(Text(FieldOf(row, i)));
        rows.push_back(std::move(fields));
    });
    return WriteAlignedTable(out, std::move(rows), shortHeaders, texts, shape.width);
}

}  // namespace

bool WriteAlignedTable(std::ostream& out, std::vector<std::vector<std::string>> rows,
                       const std::vector<std::string>& shortHeaders, const std::vector<bool>& texts, size_t limit) {
    const size_t count = rows.empty() ? 0 : rows[0].size();
    for (auto& row : rows)
        for (auto& cell : row) cell = Printable(std::move(cell));
    std::vector<size_t> widths(count, 0);
    for (const auto& row : rows)
        for (size_t k = 0; k < row.size(); ++k) widths[k] = std::max(widths[k], Width(row[k]));
    size_t gap = 2;
    auto total = [&] { return std::accumulate(widths.begin(), widths.end(), size_t{0}) + gap * (widths.size() - 1); };
    const bool narrowed = limit != 0 && count != 0 && total() > limit;
    if (narrowed) {
        gap = 1;
        std::fill(widths.begin(), widths.end(), 0);
        for (size_t k = 0; k < count; ++k) rows[0][k] = shortHeaders[k];
        for (const auto& row : rows)
            for (size_t k = 0; k < row.size(); ++k) widths[k] = std::max(widths[k], Width(row[k]));
        constexpr size_t kShortest = 5;
        while (total() > limit) {
            size_t widest = count;
            for (size_t k = 0; k < count; ++k)
                if (texts[k] && widths[k] > kShortest && (widest == count || widths[k] > widths[widest])) widest = k;
            if (widest == count) break;
            --widths[widest];
        }
    }
    std::string line;
    for (const auto& row : rows) {
        line.clear();
        for (size_t k = 0; k < row.size(); ++k) {
            const std::string cell = narrowed ? Shortened(row[k], widths[k]) : row[k];
            line += cell;
            if (k + 1 < row.size()) line.append(widths[k] - Width(cell) + gap, ' ');
        }
        line.erase(line.find_last_not_of(' ') + 1);  // empty cells at the end
        if (narrowed) line = Shortened(line, limit);
        out << line << '\n';
    }
    return narrowed;
}

bool WantsAccount(const std::vector<size_t>& columns, Lines lines) {
    return lines != Lines::Imported ||
           std::any_of(columns.begin(), columns.end(), [](size_t column) { return column >= kRecordColumns; });
}

bool WriteVariables(std::ostream& out, const VariableList& variables, Format format, const OutputShape& shape) {
    std::vector<size_t> columns = shape.columns;
    if (columns.empty()) {
        columns.resize(shape.lines == Lines::Imported ? kRecordColumns : kColumns.size());
        std::iota(columns.begin(), columns.end(), size_t{0});
    }
    OutputShape rows = shape;
    if (!WantsAccount(columns, shape.lines)) rows.account = nullptr;  // the records as they are
    switch (format) {
    case Format::Table: return WriteTable(out, variables, columns, rows);
    case Format::Csv: WriteCsv(out, variables, columns, rows); break;
    case Format::Jsonl: WriteJsonl(out, variables, columns, rows); break;
    }
    return false;
}

int FinishStandardOutput() {
    const bool failed = !std::cout.flush() || std::fflush(stdout) != 0 || std::ferror(stdout);
    if (!failed) return 0;
    const int cause = errno;
    if (cause == EPIPE) EndAsClosedPipe();
    std::cerr << "tessaro: cannot write to standard output: " << (cause ? std::strerror(cause) : "write error") << "\n";
    return 1;
}

}  // namespace tessaro::cli
