// Placeholder until the data-block import lands: reads nothing.
#include "awl/InfoUDTImportedVariable.h"

namespace tessaro {

void InfoUDTImportedVariable::GetImportedVariables(UDTCollection&) {}

}  // namespace tessaro
