#include <tessaro/DeviceList.h>

#include "devicedb/DeviceDBStore.h"

#include <set>

namespace tessaro {
namespace {

std::optional<int32_t> IdOf(const StoredId& id) {
    if (id.errorNumber) return std::nullopt;
    return id.value;
}

DeviceDataTypeEntry EntryOf(const DeviceDataTypeRow& type) {
    return {IdOf(type.DeviceDataTypeId), type.Name, IdOf(type.DeviceDataAreaId)};
}

}  // namespace

std::vector<DeviceEntry> ListDevices(const std::string& path) {
    auto store = OpenDeviceDBStore(path);
    std::vector<DeviceEntry> devices;
    for (int32_t code : store->ReadDeviceIds()) {
        DeviceEntry& device = devices.emplace_back(DeviceEntry{code, {}, {}});
        const auto types = store->ReadDataTypes(code);
        std::set<int32_t> listed;
        for (const auto& area : store->ReadDataAreas(code)) {
            DeviceDataAreaEntry& entry = device.Areas.emplace_back(DeviceDataAreaEntry{IdOf(area.DeviceDataAreaId), area.Name, {}});
            if (!entry.Id || !listed.insert(*entry.Id).second) continue;
            for (const auto& type : types)
                if (IdOf(type.DeviceDataAreaId) == entry.Id) entry.Types.push_back(EntryOf(type));
        }
        for (const auto& type : types)
            if (auto area = IdOf(type.DeviceDataAreaId); !area || !listed.count(*area))
                device.TypesOfUnlistedAreas.push_back(EntryOf(type));
    }
    return devices;
}

}  // namespace tessaro
