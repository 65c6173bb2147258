// tessaro devices: the devices of a device database with their areas and types, in the
// order the database holds them; or the whole database converted into the SQLite form.

#include "Commands.h"
#include "Layout.h"

#include "devicedb/DeviceDBStore.h"
#include "devicedb/SqliteStore.h"

#include <tessaro/CodePage.h>
#include <tessaro/DeviceList.h>

#include <filesystem>
#include <iostream>

namespace tessaro::cli {
namespace {

std::string IdText(const std::optional<int32_t>& id) { return id ? std::to_string(*id) : "(unreadable)"; }

std::string NameText(const std::optional<std::string>& name) { return name ? ToUtf8(*name) : "(no name)"; }

}  // namespace

int RunDevices(const DevicesOptions& options) {
    const std::string path = options.deviceDb.value_or(SampleDeviceDb());
    if (options.exportSqlite) {
        auto store = OpenDeviceDBStore(path);
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
    for (const DeviceEntry& device : ListDevices(path)) {
        std::cout << "Device " << device.Code << "\n";
        for (const auto& area : device.Areas) {
            std::cout << "  Area " << IdText(area.Id) << "  " << NameText(area.Name) << "\n";
            for (const auto& type : area.Types)
                std::cout << "    Type " << IdText(type.Id) << "  " << NameText(type.Name) << "\n";
        }
        for (const auto& type : device.TypesOfUnlistedAreas)
            std::cout << "  Type " << IdText(type.Id) << "  " << NameText(type.Name) << " (area " << IdText(type.AreaId)
                      << ", not listed)\n";
    }
    return FinishStandardOutput();
}

}  // namespace tessaro::cli
