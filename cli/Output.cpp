#include "Output.h"

#include "Commands.h"
#include "TemporaryFiles.h"

#include <tessaro/CodePage.h>

#include <nlohmann/json.hpp>

#include <algorithm>
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

// One object per line, members in column order, written as the JSON library writes an
// ordered object; only the texts go through the library, for their escaping.
void WriteJsonl(std::ostream& out, const VariableList& variables, const std::vector<size_t>& columns) {
    std::string line;
    for (const auto& variable : variables) {
        auto row = Row(*variable);
        line.clear();
        line += '{';
        for (size_t i : columns) {
            if (line.size() > 1) line += ',';
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

void WriteCsv(std::ostream& out, const VariableList& variables, const std::vector<size_t>& columns) {
    auto record = [&](const auto& fields) {
        for (size_t i = 0; i < fields.size(); ++i) out << (i ? "," : "") << CsvField(fields[i]);
        out << "\r\n";
    };
    std::vector<std::string> fields;
    for (size_t i : columns) fields.emplace_back(kColumns[i]);
    record(fields);
    for (const auto& variable : variables) {
        auto row = Row(*variable);
        fields.clear();
        for (size_t i : columns) fields.push_back(Text(row[i]));
        record(fields);
    }
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

// Aligned columns two blanks apart. Too wide for the terminal, the table gets short
// headers and one blank between columns, and then the widest of its texts (Name,
// SectionName, TagAttribute) are shortened, down to five columns each; what still does
// not fit is cut at the terminal's edge.
bool WriteTable(std::ostream& out, const VariableList& variables, const std::vector<size_t>& columns, size_t limit) {
    std::vector<std::vector<std::string>> rows;
    rows.emplace_back();
    for (size_t i : columns) rows.back().emplace_back(kColumns[i]);
    for (const auto& variable : variables) {
        auto row = Row(*variable);
        std::vector<std::string> fields;
        for (size_t i : columns) fields.push_back(Printable(Text(row[i])));
        rows.push_back(std::move(fields));
    }
    std::vector<size_t> widths(columns.size(), 0);
    for (const auto& row : rows)
        for (size_t k = 0; k < row.size(); ++k) widths[k] = std::max(widths[k], Width(row[k]));
    size_t gap = 2;
    auto total = [&] { return std::accumulate(widths.begin(), widths.end(), size_t{0}) + gap * (widths.size() - 1); };
    const bool narrowed = limit != 0 && total() > limit;
    if (narrowed) {
        gap = 1;
        std::fill(widths.begin(), widths.end(), 0);
        for (size_t k = 0; k < columns.size(); ++k) rows[0][k] = kShortHeaders[columns[k]];
        for (const auto& row : rows)
            for (size_t k = 0; k < row.size(); ++k) widths[k] = std::max(widths[k], Width(row[k]));
        constexpr size_t kShortest = 5;
        while (total() > limit) {
            size_t widest = columns.size();
            for (size_t k = 0; k < columns.size(); ++k) {
                const bool text = columns[k] == 0 || columns[k] == 1 || columns[k] == 4;
                if (text && widths[k] > kShortest && (widest == columns.size() || widths[k] > widths[widest]))
                    widest = k;
            }
            if (widest == columns.size()) break;
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
        if (narrowed) line = Shortened(line, limit);
        out << line << '\n';
    }
    return narrowed;
}

}  // namespace

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
