#pragma once
// Where the device database's rows come from. The service reads, per device, the rows of
// DeviceDataArea and DeviceDataType in the order the file returns them; the export to
// SQLite reads every row of both tables. A store knows nothing of names, trimming or
// matching.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaro {

// A row's identifier as stored: converting it to a 32-bit integer can fail (a NULL, a
// text that is no number, a value out of range), but only when the row is used.
struct StoredId {
    int32_t value = 0;
    int32_t errorNumber = 0;  // the RuntimeError to raise on use, 0 when value holds
    bool operator==(const StoredId&) const = default;
};

// An identifier stored as text: surrounding blanks allowed, a number rounded to the
// nearest whole number (halves to even); no number is a type mismatch, a number outside
// 32 bits an overflow. A missing value (NULL) is an invalid use of Null.
StoredId StoredIdFromText(std::string_view text);
StoredId StoredIdFromNumber(double value);
StoredId StoredIdFrom(const std::optional<std::string>& text);

struct DeviceDataAreaRow {
    StoredId DeviceId;
    StoredId DeviceDataAreaId;
    std::optional<std::string> Name;  // NULL never matches
    bool operator==(const DeviceDataAreaRow&) const = default;
};

struct DeviceDataTypeRow {
    StoredId DeviceId;
    StoredId DeviceDataAreaId;
    StoredId DeviceDataTypeId;
    std::optional<std::string> Name;
    bool operator==(const DeviceDataTypeRow&) const = default;
};

class DeviceDBStore {
public:
    virtual ~DeviceDBStore() = default;
    // Rows of one device (DeviceId = deviceId), or every row of the table when deviceId
    // is empty, in the store's order. A store without the table fails here, not at
    // opening.
    virtual std::vector<DeviceDataAreaRow> ReadDataAreas(std::optional<int32_t> deviceId) = 0;
    virtual std::vector<DeviceDataTypeRow> ReadDataTypes(std::optional<int32_t> deviceId) = 0;
    // The distinct device codes of DeviceDataArea, ascending (for listings).
    virtual std::vector<int32_t> ReadDeviceIds() = 0;
};

// Opens the file read-only, choosing the store by the file's content. A missing file,
// or one that is no device database, fails with a RuntimeError naming the file.
std::unique_ptr<DeviceDBStore> OpenDeviceDBStore(const std::string& path);

}  // namespace tessaro
