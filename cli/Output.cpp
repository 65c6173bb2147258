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
#include <variant>
#include <vector>

namespace tessaro::cli {
namespace {

using Cell = std::variant<std::string, int32_t, bool>;

std::array<Cell, 15> Row(const Variable& v) {
    return {ToUtf8(v.Name), ToUtf8(v.SectionName), v.DeviceId,  v.NestingLevel, ToUtf8(v.TagAttribute),
            v.DataAreaId,   v.DataTypeId,          v.VariableLen, v.FieldAdd1,  v.FieldAdd2,
            v.FieldAdd3,    v.FieldAdd4,           v.FieldAdd5, v.Sign,         v.Warning};
}

std::string Text(const Cell& cell) {
    if (auto* text = std::get_if<std::string>(&cell)) return *text;
    if (auto* flag = std::get_if<bool>(&cell)) return *flag ? "true" : "false";
    return std::to_string(std::get<int32_t>(cell));
}

// A column's field of a variable: a text, or a number, or a flag.
struct Field {
    const std::string* text = nullptr;
    int32_t number = 0;
    bool flag = false;
};

Field FieldOf(const Variable& v, size_t column) {
    switch (column) {
    case 0: return {&v.Name};
    case 1: return {&v.SectionName};
    case 2: return {nullptr, v.DeviceId};
    case 3: return {nullptr, v.NestingLevel};
    case 4: return {&v.TagAttribute};
    case 5: return {nullptr, v.DataAreaId};
    case 6: return {nullptr, v.DataTypeId};
    case 7: return {nullptr, v.VariableLen};
    case 8: return {nullptr, v.FieldAdd1};
    case 9: return {nullptr, v.FieldAdd2};
    case 10: return {nullptr, v.FieldAdd3};
    case 11: return {nullptr, v.FieldAdd4};
    case 12: return {nullptr, v.FieldAdd5};
    case 13: return {nullptr, v.Sign, true};
    default: return {nullptr, v.Warning, true};
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
    // A number or a flag ("true", "false").
    void Value(const Field& field) {
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
void WriteJsonl(std::ostream& out, const VariableList& variables, const std::vector<size_t>& columns) {
    Buffered buffer(out);
    std::string& line = buffer.Text();
    variables.ForEach([&](const VariablePtr& variable) {
        line += '{';
        bool first = true;
        for (size_t i : columns) {
            if (!first) line += ',';
            first = false;
            line.append("\"").append(kColumns[i]).append("\":");
            const Field field = FieldOf(*variable, i);
            if (!field.text) {
                buffer.Value(field);
                continue;
            }
            const std::string& text = *field.text;
            const bool plain = std::none_of(text.begin(), text.end(), [](char c) {
                return c == '"' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x80;
            });
            if (plain)
                line.append("\"").append(text).append("\"");
            else
                line.append(nlohmann::json(ToUtf8(text)).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
        }
        line.append("}\n");
        buffer.EndRecord();
        return true;
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

void WriteCsv(std::ostream& out, const VariableList& variables, const std::vector<size_t>& columns) {
    Buffered buffer(out);
    std::string& line = buffer.Text();
    for (size_t k = 0; k < columns.size(); ++k) line.append(k ? "," : "").append(kColumns[columns[k]]);
    line.append("\r\n");
    variables.ForEach([&](const VariablePtr& variable) {
        for (size_t k = 0; k < columns.size(); ++k) {
            if (k) line += ',';
            const Field field = FieldOf(*variable, columns[k]);
            if (!field.text)
                buffer.Value(field);
            else if (IsAscii(*field.text))
                AppendCsvField(line, *field.text);
            else
                AppendCsvField(line, ToUtf8(*field.text));
        }
        line.append("\r\n");
        buffer.EndRecord();
        return true;
    });
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
constexpr std::array<std::string_view, 15> kShortHeaders = {
    "Name", "Section", "Dev", "Nest", "Tag", "Area", "Type", "Len", "F1", "F2", "F3", "F4", "F5", "Sign", "Warn",
};

bool WriteTable(std::ostream& out, const VariableList& variables, const std::vector<size_t>& columns, size_t limit) {
    std::vector<std::vector<std::string>> rows;
    rows.emplace_back();
    for (size_t i : columns) rows.back().emplace_back(kColumns[i]);
    std::vector<std::string> shortHeaders;
    std::vector<bool> texts;
    for (size_t i : columns) {
        shortHeaders.emplace_back(kShortHeaders[i]);
        texts.push_back(i == 0 || i == 1 || i == 4);
    }
    for (const auto& variable : variables) {
        auto row = Row(*variable);
        std::vector<std::string> fields;
        for (size_t i : columns) fields.push_back(Text(row[i]));
        rows.push_back(std::move(fields));
    }
    return WriteAlignedTable(out, std::move(rows), shortHeaders, texts, limit);
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

bool WriteVariables(std::ostream& out, const VariableList& variables, Format format, const OutputShape& shape) {
    std::vector<size_t> columns = shape.columns;
    if (columns.empty()) {
        columns.resize(kColumns.size());
        std::iota(columns.begin(), columns.end(), size_t{0});
    }
    switch (format) {
    case Format::Table: return WriteTable(out, variables, columns, shape.width);
    case Format::Csv: WriteCsv(out, variables, columns); break;
    case Format::Jsonl: WriteJsonl(out, variables, columns); break;
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
