#include "devicedb/DeviceDBService.h"

#include "platform/Text.h"

#include <tessaro/CodePage.h>
#include <tessaro/Platform.h>
#include <tessaro/RuntimeError.h>

#include <vector>

namespace tessaro {

// A device's rows as the lookups use them: names trimmed and upper-cased once, rows in
// file order, types grouped by area. Each half is read on its first use.
struct DeviceDBService::Device {
    struct Named {
        std::optional<std::string> name;  // folded; NULL never matches
        StoredId id;
    };
    bool areasRead = false;
    std::vector<Named> areas;
    bool typesRead = false;
    std::unordered_map<int32_t, std::vector<Named>> typesByArea;
};

namespace {

std::optional<std::string> Folded(const std::optional<std::string>& name) {
    if (!name) return std::nullopt;
    return UpperCase(TrimBlanks(*name));
}

// The first row whose name equals the wanted name wins; its identifier is converted only
// then, so a bad identifier fails the lookup that uses it and no other.
template <class Rows>
std::optional<int32_t> FirstMatch(const Rows& rows, const std::string& wanted) {
    for (const auto& row : rows) {
        if (row.name && *row.name == wanted) {
            if (row.id.errorNumber) throw RuntimeError(row.id.errorNumber);
            return row.id.value;
        }
    }
    return std::nullopt;
}

}  // namespace

DeviceDBService::DeviceDBService() : DeviceDBService(DefaultPath()) {}

DeviceDBService::DeviceDBService(const std::string& path) : store_(OpenDeviceDBStore(path)) {}

DeviceDBService::DeviceDBService(std::unique_ptr<DeviceDBStore> store) : store_(std::move(store)) {}

DeviceDBService::~DeviceDBService() = default;

std::string DeviceDBService::DefaultPath() {
    return ComponentFolder() + kPathSeparator + ".." + kPathSeparator + ".." + kPathSeparator + "KorvoDEV.dbr";
}

DeviceDBService::Device& DeviceDBService::Rows(int32_t deviceId) {
    auto& device = devices_[deviceId];
    if (!device) device = std::make_unique<Device>();
    return *device;
}

void DeviceDBService::FindDataAreaId(std::string_view AreaName) {
    DataAreaId = 0;
    if (AreaName.empty() || DeviceId == 0) return;
    Device& device = Rows(DeviceId);
    if (!device.areasRead) {
        for (auto& row : store_->ReadDataAreas(DeviceId)) device.areas.push_back({Folded(row.Name), row.DeviceDataAreaId});
        device.areasRead = true;
    }
    DataAreaId = FirstMatch(device.areas, UpperCase(TrimBlanks(AreaName))).value_or(0);
}

void DeviceDBService::FindDataTypeId(std::string_view TypeName) {
    if (TypeName.empty() || DeviceId == 0) return;
    Device& device = Rows(DeviceId);
    if (!device.typesRead) {
        for (auto& row : store_->ReadDataTypes(DeviceId)) {
            // A row whose area cannot be read as a number is in no area's result.
            if (row.DeviceDataAreaId.errorNumber) continue;
            device.typesByArea[row.DeviceDataAreaId.value].push_back({Folded(row.Name), row.DeviceDataTypeId});
        }
        device.typesRead = true;
    }
    auto area = device.typesByArea.find(DataAreaId);
    if (area == device.typesByArea.end()) return;
    if (auto id = FirstMatch(area->second, UpperCase(TrimBlanks(TypeName)))) DataTypeId = *id;
}

}  // namespace tessaro
