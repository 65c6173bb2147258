#pragma once
// The data-block import of one data-block source: one Variable per value line of every
// data block, placed by the running byte and bit counters. What the file was read as goes
// to the import's Readings.

#include "driver/InfoImportedVariable.h"
#include "platform/LineReader.h"

#include <tessaro/ImportOptions.h>

namespace tessaro {

class InfoAWLImportedVariable : public InfoImportedVariable {
public:
    using InfoImportedVariable::GetImportedVariables;
    void GetImportedVariables(VariableList& Variables) override;
};

// How the tabs of a data-block source are read under an import's options (the UDT
// pre-pass and the data-block pass read alike).
LineReader::Tabs DataBlockSourceTabs(const ImportOptions& options);

}  // namespace tessaro
