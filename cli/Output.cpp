#include "Output.h"

#include <tessaro/CodePage.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <string>
#include <variant>
#include <vector>

namespace tessaro::cli {
namespace {

using Cell = std::variant<std::string, int32_t, bool>;

constexpr std::array<const char*, 15> kColumns = {
    "Name",      "SectionName", "DeviceId",  "NestingLevel", "TagAttribute", "DataAreaId", "DataTypeId", "VariableLen",
    "FieldAdd1", "FieldAdd2",   "FieldAdd3", "FieldAdd4",    "FieldAdd5",    "Sign",       "Warning",
};

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

// One object per line, members in column order, written as the JSON library writes an
// ordered object; only the texts go through the library, for their escaping.
void WriteJsonl(std::ostream& out, const VariableList& variables) {
    std::string line;
    for (const auto& variable : variables) {
        auto row = Row(*variable);
        line.clear();
        line += '{';
        for (size_t i = 0; i < kColumns.size(); ++i) {
            if (i) line += ',';
            line += '"';
            line += kColumns[i];
            line += "\":";
            if (auto* text = std::get_if<std::string>(&row[i]))
                line.append(nlohmann::json(*text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
            else
                line.append(Text(row[i]));
        }
        line.append("}\n");
        out << line;
    }
}

// RFC 4180: a field with a comma, a quote, CR or LF is quoted, its quotes doubled;
// records end in CR LF.
std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

void WriteCsv(std::ostream& out, const VariableList& variables) {
    auto record = [&](const auto& fields) {
        for (size_t i = 0; i < fields.size(); ++i) out << (i ? "," : "") << CsvField(fields[i]);
        out << "\r\n";
    };
    record(std::vector<std::string>(kColumns.begin(), kColumns.end()));
    for (const auto& variable : variables) {
        std::vector<std::string> fields;
        for (const Cell& cell : Row(*variable)) fields.push_back(Text(cell));
        record(fields);
    }
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
