#include "driver/InfoImportedVariable.h"

#include "platform/Text.h"

namespace tessaro {

void InfoImportedVariable::GetImportedVariables(VariableCollection&) {}
void InfoImportedVariable::GetImportedVariables(UDTCollection&) {}

std::string VariableKey(std::string_view name, int32_t deviceId) {
    std::string joined;
    joined.reserve(name.size() + 13);
    joined.append(name);
    joined.push_back('_');
    joined.append(std::to_string(deviceId));
    std::string key = "_";
    key.append(TrimBlanks(joined));
    return UpperCase(key);
}

}  // namespace tessaro
