#pragma once
// The data-block import of one data-block source: one Variable per value line of every
// data block, placed by the running byte and bit counters.

#include "driver/InfoImportedVariable.h"

namespace tessaro {

class InfoAWLImportedVariable : public InfoImportedVariable {
public:
    using InfoImportedVariable::GetImportedVariables;
    void GetImportedVariables(VariableList& Variables) override;
};

}  // namespace tessaro
