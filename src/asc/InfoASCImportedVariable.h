#pragma once
// The symbol-table import of one ".ASC" export: one VariableASCInfoRecord per line, every
// variable with a device data area added to Variables under its key. A name met twice
// is reported and skipped; any other failure is reported as a file error and ends the
// file, keeping what was added. No failure reaches the caller.

#include "driver/InfoImportedVariable.h"

#include <string>
#include <string_view>

namespace tessaro {

class InfoASCImportedVariable : public InfoImportedVariable {
public:
    using InfoImportedVariable::GetImportedVariables;
    void GetImportedVariables(VariableList& Variables) override;
};

// The section of every variable of a symbol-table file: the file name without its
// folders, then " (Symbol file)".
std::string SymbolFileSection(std::string_view sourceId);

}  // namespace tessaro
