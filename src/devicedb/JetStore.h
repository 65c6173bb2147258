#pragma once
// Device database rows from a Jet 3 / Jet 4 (or ACE) file, read with libmdb.

#include "devicedb/DeviceDBStore.h"

#include <memory>
#include <string>
#include <vector>

struct _MdbHandle;

namespace tessaro {

class JetStore : public DeviceDBStore {
public:
    // Opens the file read-only; fails when libmdb cannot read its header.
    explicit JetStore(const std::string& path);
    ~JetStore() override;
    JetStore(const JetStore&) = delete;
    JetStore& operator=(const JetStore&) = delete;

    std::vector<DeviceDataAreaRow> ReadDataAreas(std::optional<int32_t> deviceId) override;
    std::vector<DeviceDataTypeRow> ReadDataTypes(std::optional<int32_t> deviceId) override;
    std::vector<int32_t> ReadDeviceIds() override;

private:
    using Row = std::vector<std::optional<std::string>>;
    // The named columns of every row of the table, in the file's order; table and
    // column names match without regard to letter case. Texts come back in the
    // component's code page.
    std::vector<Row> ReadTable(const std::string& table, const std::vector<std::string>& columns);

    void* mdb_ = nullptr;
    std::string path_;
};

// The Jet / ACE store of this platform: libmdb here, the DAO engine on Windows.
std::unique_ptr<DeviceDBStore> OpenJetStore(const std::string& path);

}  // namespace tessaro
