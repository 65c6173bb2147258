#include "driver/ImportContext.h"

#include "devicedb/DeviceDBService.h"

namespace tessaro {
namespace {

// Each thread has its own import, so imports on two threads never meet. What a thread
// keeps across its imports stays with its own code: the component folder a host sets
// (platform), the header time a test fixes (messages), the DAO engine of the thread's
// COM apartment (devicedb, Windows).
thread_local std::shared_ptr<ImportContext> current;

}  // namespace

ImportContext& CurrentImport() {
    if (!current) current = std::make_shared<ImportContext>();
    return *current;
}

std::shared_ptr<ImportContext> StartImport() {
    auto fresh = std::make_shared<ImportContext>();
    current = fresh;
    return fresh;
}

void ImportContext::OpenDeviceDB(int32_t DeviceId) {
    auto service = std::make_shared<DeviceDBService>();
    DeviceDB = service;
    DeviceDB->DeviceId = DeviceId;
}

void ImportContext::CloseDeviceDB() { DeviceDB.reset(); }

}  // namespace tessaro
