#pragma once
// Turns data-area and data-type names into the identifiers of one device. A device's
// rows are read once, on the first lookup that needs them, and every later lookup is
// answered from memory with the same first-match-in-file-order result.

#include "devicedb/DeviceDBStore.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tessaro {

class DeviceDBService {
public:
    // Opens the device database KorvoDEV.dbr two folders above the component's folder.
    DeviceDBService();
    // Opens the device database at path (hosts and tests that place it elsewhere).
    explicit DeviceDBService(const std::string& path);
    explicit DeviceDBService(std::unique_ptr<DeviceDBStore> store);
    ~DeviceDBService();

    int32_t DeviceId = 0;    // 0 disables both lookups
    int32_t DataAreaId = 0;  // result of FindDataAreaId, scope of FindDataTypeId
    int32_t DataTypeId = 0;  // result of FindDataTypeId

    // DataAreaId = the area of DeviceId named AreaName (trimmed, upper case), else 0.
    void FindDataAreaId(std::string_view AreaName);
    // DataTypeId = the type named TypeName within DataAreaId, if any; callers write 0
    // to DataTypeId first.
    void FindDataTypeId(std::string_view TypeName);

    static std::string DefaultPath();

private:
    struct Device;
    Device& Rows(int32_t deviceId);

    std::unique_ptr<DeviceDBStore> store_;
    std::unordered_map<int32_t, std::unique_ptr<Device>> devices_;
};

}  // namespace tessaro
