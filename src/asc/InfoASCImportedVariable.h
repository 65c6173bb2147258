#pragma once
// The symbol-table import of one ".ASC" export: one VariableASCInfoRecord per line, every
// variable with a device data area added to Variables under its key. A name met twice
// is reported and skipped; any other failure is reported as a file error and ends the
// file, keeping what was added. No failure reaches the caller. An SDF or DIF export is
// imported the same way, a record per row (SymbolRowReader.h) instead of per line.

#include "driver/InfoImportedVariable.h"

#include <tessaro/ImportOptions.h>

#include <string>
#include <string_view>

namespace tessaro {

class InfoASCImportedVariable : public InfoImportedVariable {
public:
    using InfoImportedVariable::GetImportedVariables;
    void GetImportedVariables(VariableList& Variables) override;

    // What the file is read as: Format ("ASC", "SDF" or "DIF") set before the call; the
    // lines read and the failure that ended the file set by it.
    FileReading Reading;

    InfoASCImportedVariable() { Reading.Format = "ASC"; }
};

// The section of every variable of a symbol-table file: the file name without its
// folders, then " (Symbol file)".
std::string SymbolFileSection(std::string_view sourceId);

}  // namespace tessaro
