#include "Output.h"

#include <tessaro/CodePage.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <charconv>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

namespace tessaro::cli {
namespace {

using Cell = std::variant<std::string, int32_t, bool>;

constexpr std::array<const char*, 15> kColumns = {
    "Name",      "SectionName", "DeviceId",  "NestingLevel", "TagAttribute", "DataAreaId", "DataTypeId", "VariableLen",
    "FieldAdd1", "FieldAdd2",   "FieldAdd3", "FieldAdd4",    "FieldAdd5",    "Sign",       "Warning",
};

// Hands the fields of a variable to visit in column order.
template <class Visit>
void VisitFields(const Variable& v, Visit&& visit) {
    visit(v.Name);
    visit(v.SectionName);
    visit(v.DeviceId);
    visit(v.NestingLevel);
    visit(v.TagAttribute);
    visit(v.DataAreaId);
    visit(v.DataTypeId);
    visit(v.VariableLen);
    visit(v.FieldAdd1);
    visit(v.FieldAdd2);
    visit(v.FieldAdd3);
    visit(v.FieldAdd4);
    visit(v.FieldAdd5);
    visit(v.Sign);
    visit(v.Warning);
}

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// A text in UTF-8; ASCII is the same in every code page and needs no conversion.
std::string Utf8Of(const std::string& text) { return IsAscii(text) ? text : ToUtf8(text); }

std::array<Cell, 15> Row(const Variable& v) {
    std::array<Cell, 15> row;
    size_t i = 0;
    VisitFields(v, [&](const auto& field) {
        if constexpr (std::is_same_v<std::decay_t<decltype(field)>, std::string>)
            row[i++] = Utf8Of(field);
        else
            row[i++] = field;
    });
    return row;
}

std::string Text(const Cell& cell) {
    if (auto* text = std::get_if<std::string>(&cell)) return *text;
    if (auto* flag = std::get_if<bool>(&cell)) return *flag ? "true" : "false";
    return std::to_string(std::get<int32_t>(cell));
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
    void Number(int32_t n) {
        char digits[12];
        text_.append(digits, std::to_chars(digits, digits + sizeof digits, n).ptr);
    }
    void Flag(bool flag) { text_.append(flag ? "true" : "false"); }

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
void WriteJsonl(std::ostream& out, const VariableList& variables) {
    Buffered buffer(out);
    std::string& line = buffer.Text();
    variables.ForEach([&](const VariablePtr& variable) {
        size_t i = 0;
        line += '{';
        VisitFields(*variable, [&](const auto& field) {
            if (i) line += ',';
            line.append("\"").append(kColumns[i++]).append("\":");
            if constexpr (std::is_same_v<std::decay_t<decltype(field)>, std::string>) {
                const bool plain = std::none_of(field.begin(), field.end(), [](char c) {
                    return c == '"' || c == '\\' || static_cast<unsigned char>(c) < 0x20 ||
                           static_cast<unsigned char>(c) >= 0x80;
                });
                if (plain)
                    line.append("\"").append(field).append("\"");
                else
                    line.append(nlohmann::json(Utf8Of(field))
                                    .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
            } else if constexpr (std::is_same_v<std::decay_t<decltype(field)>, bool>) {
                buffer.Flag(field);
            } else {
                buffer.Number(field);
            }
        });
        line.append("}\n");
        buffer.EndRecord();
        return true;
    });
}

// RFC 4180: a field with a comma, a quote, CR or LF is quoted, its quotes doubled;
// records end in CR LF.
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

void WriteCsv(std::ostream& out, const VariableList& variables) {
    Buffered buffer(out);
    std::string& line = buffer.Text();
    for (size_t i = 0; i < kColumns.size(); ++i) line.append(i ? "," : "").append(kColumns[i]);
    line.append("\r\n");
    variables.ForEach([&](const VariablePtr& variable) {
        size_t i = 0;
        VisitFields(*variable, [&](const auto& field) {
            if (i++) line += ',';
            if constexpr (std::is_same_v<std::decay_t<decltype(field)>, std::string>) {
                if (IsAscii(field))
                    AppendCsvField(line, field);
                else
                    AppendCsvField(line, ToUtf8(field));
            } else if constexpr (std::is_same_v<std::decay_t<decltype(field)>, bool>) {
                buffer.Flag(field);
            } else {
                buffer.Number(field);
            }
        });
        line.append("\r\n");
        buffer.EndRecord();
        return true;
    });
}

// Characters on screen: UTF-8 continuation bytes take no column.
size_t Width(const std::string& utf8) {
    return static_cast<size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

// Control characters would break the alignment; they are shown as "?".
std::string Printable(std::string text) {
    std::replace_if(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }, '?');
    return text;
}

void WriteTable(std::ostream& out, const VariableList& variables) {
    std::vector<std::vector<std::string>> rows;
    rows.emplace_back(kColumns.begin(), kColumns.end());
    for (const auto& variable : variables) {
        std::vector<std::string> fields;
        for (const Cell& cell : Row(*variable)) fields.push_back(Printable(Text(cell)));
        rows.push_back(std::move(fields));
    }
    std::vector<size_t> widths(kColumns.size(), 0);
    for (const auto& row : rows)
        for (size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], Width(row[i]));
    for (const auto& row : rows) {
        std::string line;
        for (size_t i = 0; i < row.size(); ++i) {
            line += row[i];
            if (i + 1 < row.size()) line.append(widths[i] - Width(row[i]) + 2, ' ');
        }
        out << line << '\n';
    }
}

}  // namespace

void WriteVariables(std::ostream& out, const VariableList& variables, Format format) {
    switch (format) {
    case Format::Table: WriteTable(out, variables); break;
    case Format::Csv: WriteCsv(out, variables); break;
    case Format::Jsonl: WriteJsonl(out, variables); break;
    }
}

}  // namespace tessaro::cli
