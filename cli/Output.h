#pragma once
// The variables as the command line writes them: one row per variable in Variables
// order, with the columns of kColumns, or those chosen. With the import's account, one
// row per line of the account instead (those of the fates asked for), a line that became
// a variable joined to it, the others with only the account's columns and Name. Texts
// are converted from the component's code page to UTF-8.

#include "Options.h"

#include <tessaro/ImportAccount.h>
#include <tessaro/ImportRecords.h>
#include <tessaro/Variable.h>

#include <array>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace tessaro::cli {

// The record's columns, then the account's.
inline constexpr std::array<std::string_view, 21> kColumns = {
    "Name",      "SectionName", "DeviceId",  "NestingLevel", "TagAttribute", "DataAreaId", "DataTypeId",
    "VariableLen", "FieldAdd1", "FieldAdd2", "FieldAdd3",    "FieldAdd4",    "FieldAdd5",  "Sign",
    "Warning",   "File",        "Line",      "Address",      "Comment",      "Fate",       "Reason",
};
inline constexpr size_t kRecordColumns = kVariableColumns.size();

struct OutputShape {
    std::vector<size_t> columns;  // indexes into kColumns; empty: the record's (all with lines other than imported)
    size_t width = 0;             // a table's width on a terminal; 0: no limit
    const ImportAccount* account = nullptr;  // rows by the account's lines, when set
    Lines lines = Lines::Imported;           // which of its lines
};

// Whether the rows want the import's account: another choice of lines, or its columns.
bool WantsAccount(const std::vector<size_t>& columns, Lines lines);

// Writes the rows; returns true when a table had to be narrowed to fit the width.
bool WriteVariables(std::ostream& out, const VariableList& variables, Format format, const OutputShape& shape);

// Rows (the first one the headers; UTF-8) as aligned columns two blanks apart. Too wide
// for a limit other than 0, the table gets the short headers and one blank between
// columns, and then the widest of the text columns are shortened, down to five
// characters each; what still does not fit is cut at the limit. Control characters are
// shown as "?". True when narrowed.
bool WriteAlignedTable(std::ostream& out, std::vector<std::vector<std::string>> rows,
                       const std::vector<std::string>& shortHeaders, const std::vector<bool>& texts, size_t limit);

// RFC 4180: a field with a comma, a quote, CR or LF is quoted, its quotes doubled
// (records end in CR LF).
void AppendCsvField(std::string& out, std::string_view text);

}  // namespace tessaro::cli
