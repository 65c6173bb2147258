#pragma once
// What the two symbol-row targets check, each for its own format: the rows of the input
// read as a file, their fields trimmed and the operand split as the reader says; the rows
// written back in the format (every quote doubled) read again as the same fields; and
// the symbol-table importer on the input, which lets nothing escape.
#include "FuzzSupport.h"
#include "asc/InfoASCImportedVariable.h"
#include "asc/SymbolRowReader.h"
#include "driver/InfoImportedVariable.h"
#include "platform/LineReader.h"

#include <tessaro/RuntimeError.h>

#include <array>
#include <set>
#include <string>
#include <vector>

namespace tessaro::fuzz {

using RowTexts = std::array<std::string, 5>;  // symbol, area, address, type, comment

// The rows of a file, or none and the failure's description.
inline std::vector<RowTexts> ReadRows(const std::string& path, SymbolRowFormat format, std::string& failure) {
    std::vector<RowTexts> rows;
    LineReader file(path);
    SymbolRowReader reader(file, format);
    try {
        SymbolLineColumns row;
        while (reader.Next(row)) {
            rows.push_back({std::string(row.Symbol), std::string(row.OperandArea), std::string(row.Address),
                            std::string(row.DataType), std::string(row.Comment)});
            Check(reader.Lines() >= rows.size(), "more rows than lines");
        }
    } catch (const RuntimeError& e) {
        Check(e.Number == InvalidArgument, "a row failed with another error than InvalidArgument");
        failure = e.what();
        Check(!failure.empty(), "a failure without its reason");
    }
    return rows;
}

inline std::string Quoted(std::string_view text) {
    std::string out = "\"";
    for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

// The rows written as a file of the format, with CR LF line ends.
inline std::string Written(const std::vector<RowTexts>& rows, SymbolRowFormat format) {
    std::string out;
    if (format == SymbolRowFormat::DIF) out = "TABLE\r\n0,1\r\n\"\"\r\nDATA\r\n0,0\r\n\"\"\r\n";
    for (const RowTexts& r : rows) {
        const std::string cells[] = {r[0], "%" + r[1] + " " + r[2], r[3], r[4]};
        if (format == SymbolRowFormat::DIF) {
            out += "-1,0\r\nBOT\r\n";
            for (const auto& cell : cells) out += "1,0\r\n" + Quoted(cell) + "\r\n";
        } else {
            out += Quoted(cells[0]) + "," + Quoted(cells[1]) + "," + Quoted(cells[2]) + "," + Quoted(cells[3]) + "\r\n";
        }
    }
    return format == SymbolRowFormat::DIF ? out + "-1,0\r\nEOD\r\n" : out;
}

inline void CheckSymbolRows(const uint8_t* data, size_t size, SymbolRowFormat format, const std::string& name) {
    OpenImport();
    const std::string path = WriteInput(name, data, size);
    std::string failure;
    const std::vector<RowTexts> rows = ReadRows(path, format, failure);
    for (const RowTexts& r : rows) {
        for (const std::string& field : r)
            Check(field.empty() || (field.front() != ' ' && field.back() != ' '), "a field keeps a blank");
        Check(r[1].find_first_of(" 0123456789") == std::string::npos, "an operand area holds a blank or a digit");
    }
    if (failure.empty()) {
        std::string again;
        Check(ReadRows(WriteInput("again-" + name, Written(rows, format)), format, again) == rows && again.empty(),
              "the rows written back read as other rows");
    }

    CurrentImport().Readings.clear();
    InfoASCImportedVariable importer;
    importer.Format = format == SymbolRowFormat::SDF ? "SDF" : "DIF";
    importer.DataSource->SourceId = path;
    importer.DeviceId = 7;
    VariableCollection variables;
    importer.GetImportedVariables(variables);  // nothing may escape
    Check(variables.Count() <= rows.size(), "more variables than rows");
    Check(CurrentImport().Readings.size() == 1, "not one reading for the file");
    // A row that does not fit fails the import too; the import alone may fail where a
    // record does (a byte number past the 32-bit range), never for the row's form.
    const std::string& imported = CurrentImport().Readings.front().Failure;
    Check(failure.empty() || !imported.empty(), "the reader failed but the importer did not");
    Check(!failure.empty() || imported.empty() || !imported.starts_with("line "),
          "the importer failed on a row the reader took");
    std::set<std::string> keys;
    for (const VariablePtr& v : variables) {
        Check(v && v->DataAreaId != 0, "a variable without data area was added");
        Check(v->SectionName == name + " (Symbol file)", "a variable without its section");
        Check(keys.insert(VariableKey(v->Name, 7)).second, "two variables under one key");
    }
}

}  // namespace tessaro::fuzz
