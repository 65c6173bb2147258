#pragma once
// Device database rows from an SQLite 3 file, opened read-only.

#include "devicedb/DeviceDBStore.h"

#include <string>

struct sqlite3;

namespace tessaro {

class SqliteStore : public DeviceDBStore {
public:
    // Opens the file read-only and checks that it is a database; never creates it.
    explicit SqliteStore(const std::string& path);
    ~SqliteStore() override;
    SqliteStore(const SqliteStore&) = delete;
    SqliteStore& operator=(const SqliteStore&) = delete;

    std::vector<DeviceDataAreaRow> ReadDataAreas(std::optional<int32_t> deviceId) override;
    std::vector<DeviceDataTypeRow> ReadDataTypes(std::optional<int32_t> deviceId) override;
    std::vector<int32_t> ReadDeviceIds() override;

private:
    sqlite3* db_ = nullptr;
    std::string path_;
};

// Writes every row of both tables of source, in the source's order, into a new SQLite
// file at target with the columns DeviceId, DeviceDataAreaId, (DeviceDataTypeId,) Name,
// so that every lookup answers as it does on source. Names are written in UTF-8, NULLs
// stay NULL; an identifier that cannot be read as a 32-bit number is written so that it
// fails its lookup with the same error. The file is built under a temporary name beside
// target and renamed at the end: a failure leaves no file behind. An existing target is
// replaced only when replace is set. Returns the counts of area and type rows.
struct ExportCounts {
    size_t areas = 0, types = 0;
};
ExportCounts ExportSqlite(DeviceDBStore& source, const std::string& target, bool replace);

}  // namespace tessaro
