#pragma once
// The variables as the command line writes them: one row per variable in Variables
// order, with the columns Name, SectionName, DeviceId, NestingLevel, TagAttribute,
// DataAreaId, DataTypeId, VariableLen, FieldAdd1 to FieldAdd5, Sign and Warning. Texts are
// converted from the component's code page to UTF-8.

#include "Options.h"

#include <tessaro/Variable.h>

#include <ostream>

namespace tessaro::cli {

void WriteVariables(std::ostream& out, const VariableList& variables, Format format);

}  // namespace tessaro::cli
