// tessaro devices: the devices of a device database with their areas and types, in the
// order the database holds them; or the whole database converted into the SQLite form.

#include "Commands.h"
#include "Layout.h"

#include "devicedb/DeviceDBStore.h"
#include "devicedb/SqliteStore.h"

#include <tessaro/CodePage.h>

#include <filesystem>
#include <iostream>
#include <set>

namespace tessaro::cli {
namespace {

std::string IdText(const StoredId& id) { return id.errorNumber ? "(unreadable)" : std::to_string(id.value); }

std::string NameText(const std::optional<std::string>& name) { return name ? ToUtf8(*name) : "(no name)"; }

}  // namespace

int RunDevices(const DevicesOptions& options) {
    const std::string path = options.deviceDb.value_or(SampleDeviceDb());
    auto store = OpenDeviceDBStore(path);
    if (options.exportSqlite) {
        // The export replaces its target by renaming a new file over it: never a device,
        // a pipe or a folder.
        std::error_code ec;
        const auto status = std::filesystem::status(*options.exportSqlite, ec);
        if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
            std::cerr << "tessaro: " << *options.exportSqlite << ": not a plain file, not replaced\n";
            return 1;
        }
        ExportCounts counts = ExportSqlite(*store, *options.exportSqlite, options.force);
        std::cout << "Device database " << path << " written to " << *options.exportSqlite << ": " << counts.areas
                  << " area rows, " << counts.types << " type rows\n";
        return FinishStandardOutput();
    }
    std::cout << "Device database " << path << "\n";
    for (int32_t device : store->ReadDeviceIds()) {
        std::cout << "Device " << device << "\n";
        const auto types = store->ReadDataTypes(device);
        std::set<int32_t> listed;
        auto typesOf = [&](const StoredId& area) {
            for (const auto& type : types)
                if (!type.DeviceDataAreaId.errorNumber && !area.errorNumber &&
                    type.DeviceDataAreaId.value == area.value)
                    std::cout << "    Type " << IdText(type.DeviceDataTypeId) << "  " << NameText(type.Name) << "\n";
        };
        for (const auto& area : store->ReadDataAreas(device)) {
            std::cout << "  Area " << IdText(area.DeviceDataAreaId) << "  " << NameText(area.Name) << "\n";
            if (area.DeviceDataAreaId.errorNumber || !listed.insert(area.DeviceDataAreaId.value).second) continue;
            typesOf(area.DeviceDataAreaId);
        }
        // Types whose area the device does not list.
        for (const auto& type : types) {
            if (!type.DeviceDataAreaId.errorNumber && listed.count(type.DeviceDataAreaId.value)) continue;
            std::cout << "  Type " << IdText(type.DeviceDataTypeId) << "  " << NameText(type.Name) << " (area "
                      << IdText(type.DeviceDataAreaId) << ", not listed)\n";
        }
    }
    return FinishStandardOutput();
}

}  // namespace tessaro::cli
