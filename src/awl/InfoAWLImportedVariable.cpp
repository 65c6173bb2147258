// Placeholder until the data-block import lands: reads nothing.
#include "awl/InfoAWLImportedVariable.h"

namespace tessaro {

void InfoAWLImportedVariable::GetImportedVariables(VariableCollection&) {}

}  // namespace tessaro
