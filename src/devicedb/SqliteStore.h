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

    std::vector<DeviceDataAreaRow> ReadDataAreas(int32_t deviceId) override;
    std::vector<DeviceDataTypeRow> ReadDataTypes(int32_t deviceId) override;
    std::vector<int32_t> ReadDeviceIds() override;

private:
    sqlite3* db_ = nullptr;
    std::string path_;
};

}  // namespace tessaro
