// Placeholder until the driver lands.
#include <tessaro/VariableDriver.h>

#include "awl/UDTInfoRecord.h"

namespace tessaro {

VariableDriver::VariableDriver() : udts_(std::make_shared<Collection<std::shared_ptr<UDTInfoRecord>>>()) {}
VariableDriver::~VariableDriver() = default;
bool VariableDriver::GetVariables(DataSourceCollection&) { return false; }

}  // namespace tessaro
