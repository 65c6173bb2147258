#pragma once
// The UDT pre-pass over one data-block source: appends one UDTInfoRecord per
// "TYPE UDT" definition, with its STRING fields, to the collection it is given.

#include "driver/InfoImportedVariable.h"

namespace tessaro {

class InfoUDTImportedVariable : public InfoImportedVariable {
public:
    using InfoImportedVariable::GetImportedVariables;
    void GetImportedVariables(UDTCollection& Variables) override;
};

}  // namespace tessaro
