#pragma once
// Device database rows from a Jet 3 / Jet 4 (or ACE) file.

#include "devicedb/DeviceDBStore.h"

#include <memory>
#include <string>

namespace tessaro {

// The Jet / ACE store of this platform: libmdb here, the DAO engine on Windows.
std::unique_ptr<DeviceDBStore> OpenJetStore(const std::string& path);

}  // namespace tessaro
