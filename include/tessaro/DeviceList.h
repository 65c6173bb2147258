#pragma once
// The devices of a device database with their data areas and types, in the order the
// database holds them, for a host to list. Names are in the component's code page.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tessaro {

struct DeviceDataTypeEntry {
    std::optional<int32_t> Id;      // none when the stored identifier is no 32-bit number
    std::optional<std::string> Name;  // none when stored as NULL
    std::optional<int32_t> AreaId;
};

struct DeviceDataAreaEntry {
    std::optional<int32_t> Id;
    std::optional<std::string> Name;
    // The device's types of this area; empty for a second row of the same area.
    std::vector<DeviceDataTypeEntry> Types;
};

struct DeviceEntry {
    int32_t Code = 0;  // the DeviceCodeId an import names
    std::vector<DeviceDataAreaEntry> Areas;
    std::vector<DeviceDataTypeEntry> TypesOfUnlistedAreas;  // types whose area the device does not list
};

// Every device of the database at path, by ascending code. Fails with a RuntimeError
// naming the file when it cannot be opened, and as the store fails when a table cannot
// be read.
std::vector<DeviceEntry> ListDevices(const std::string& path);

}  // namespace tessaro
