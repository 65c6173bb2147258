#pragma once
// The variables as the command line writes them: one row per variable in Variables
// order, with the columns of kColumns, or those chosen. Texts are converted from the
// component's code page to UTF-8.

#include "Options.h"

#include <tessaro/Variable.h>

#include <array>
#include <ostream>
#include <string_view>
#include <vector>

namespace tessaro::cli {

inline constexpr std::array<std::string_view, 15> kColumns = {
    "Name",      "SectionName", "DeviceId",  "NestingLevel", "TagAttribute", "DataAreaId", "DataTypeId", "VariableLen",
    "FieldAdd1", "FieldAdd2",   "FieldAdd3", "FieldAdd4",    "FieldAdd5",    "Sign",       "Warning",
};

struct OutputShape {
    std::vector<size_t> columns;  // indexes into kColumns; empty: all of them
    size_t width = 0;             // a table's width on a terminal; 0: no limit
};

// Writes the rows; returns true when a table had to be narrowed to fit the width.
bool WriteVariables(std::ostream& out, const VariableList& variables, Format format, const OutputShape& shape);

}  // namespace tessaro::cli
