#include "devicedb/JetStore.h"

#include <tessaro/CodePage.h>
#include <tessaro/RuntimeError.h>

#include <mdbtools.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <strings.h>

namespace tessaro {

// Device database rows from a Jet 3 / Jet 4 (or ACE) file, read with libmdb.
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

namespace {

MdbHandle* Handle(void* mdb) { return static_cast<MdbHandle*>(mdb); }

bool SameName(const char* a, const std::string& b) { return strcasecmp(a, b.c_str()) == 0; }

// No device: every row.
bool RowOfDevice(const StoredId& deviceColumn, std::optional<int32_t> deviceId) {
    return !deviceId || (deviceColumn.errorNumber == 0 && deviceColumn.value == *deviceId);
}

}  // namespace

namespace {

// A Jet file is whole pages (2048 bytes for Jet 3, 4096 from Jet 4 on, as the version
// byte at 0x14 tells) and at least the header, catalog and one data page. A file cut
// short is refused here, before libmdb would read past its end.
bool WholePages(const std::string& path) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    auto size = static_cast<long long>(file.tellg());
    if (!file || size < 0x15) return false;
    file.seekg(0x14);
    int version = file.get();
    long long page = version == 0 ? 2048 : 4096;
    return size % page == 0 && size >= 3 * page;
}

}  // namespace

JetStore::JetStore(const std::string& path) : path_(path) {
    if (!WholePages(path)) throw RuntimeError(PathFileAccessError, path + ": a Jet database cut short");
    mdb_ = mdb_open(path.c_str(), MDB_NOFLAGS);
    if (!mdb_) throw RuntimeError(PathFileAccessError, path + ": cannot be read as a Jet database");
}

std::unique_ptr<DeviceDBStore> OpenJetStore(const std::string& path) { return std::make_unique<JetStore>(path); }

JetStore::~JetStore() {
    if (mdb_) mdb_close(Handle(mdb_));
}

std::vector<JetStore::Row> JetStore::ReadTable(const std::string& table, const std::vector<std::string>& columns) {
    MdbHandle* mdb = Handle(mdb_);
    GPtrArray* catalog = mdb_read_catalog(mdb, MDB_TABLE);
    if (!catalog) throw RuntimeError(PathFileAccessError, path_ + ": the catalog cannot be read");
    MdbCatalogEntry* entry = nullptr;
    for (guint i = 0; i < catalog->len; ++i) {
        auto* candidate = static_cast<MdbCatalogEntry*>(g_ptr_array_index(catalog, i));
        if (candidate->object_type == MDB_TABLE && SameName(candidate->object_name, table)) {
            entry = candidate;
            break;
        }
    }
    if (!entry) throw RuntimeError(PathFileAccessError, path_ + ": no table " + table);
    std::unique_ptr<MdbTableDef, void (*)(MdbTableDef*)> def(mdb_read_table(entry), mdb_free_tabledef);
    if (!def || !mdb_read_columns(def.get())) throw RuntimeError(PathFileAccessError, path_ + ": table " + table + " cannot be read");

    std::vector<std::vector<char>> buffers(columns.size(), std::vector<char>(MDB_BIND_SIZE));
    std::vector<int> lengths(columns.size(), 0);
    for (size_t c = 0; c < columns.size(); ++c) {
        int found = -1;
        for (guint i = 0; i < def->num_cols; ++i) {
            auto* column = static_cast<MdbColumn*>(g_ptr_array_index(def->columns, i));
            if (SameName(column->name, columns[c])) found = static_cast<int>(i);
        }
        if (found < 0) throw RuntimeError(PathFileAccessError, path_ + ": no column " + columns[c] + " in " + table);
        mdb_bind_column(def.get(), found + 1, buffers[c].data(), &lengths[c]);
    }
    mdb_rewind_table(def.get());
    std::vector<Row> rows;
    while (mdb_fetch_row(def.get())) {
        Row row(columns.size());
        // libmdb gives a NULL and an empty text alike: length 0.
        for (size_t c = 0; c < columns.size(); ++c)
            if (lengths[c] > 0) row[c] = FromUtf8(std::string_view(buffers[c].data(), static_cast<size_t>(lengths[c])));
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<DeviceDataAreaRow> JetStore::ReadDataAreas(std::optional<int32_t> deviceId) {
    std::vector<DeviceDataAreaRow> rows;
    for (auto& row : ReadTable("DeviceDataArea", {"DeviceId", "DeviceDataAreaId", "Name"})) {
        StoredId device = StoredIdFrom(row[0]);
        if (RowOfDevice(device, deviceId)) rows.push_back({device, StoredIdFrom(row[1]), std::move(row[2])});
    }
    return rows;
}

std::vector<DeviceDataTypeRow> JetStore::ReadDataTypes(std::optional<int32_t> deviceId) {
    std::vector<DeviceDataTypeRow> rows;
    for (auto& row : ReadTable("DeviceDataType", {"DeviceId", "DeviceDataAreaId", "DeviceDataTypeId", "Name"})) {
        StoredId device = StoredIdFrom(row[0]);
        if (RowOfDevice(device, deviceId))
            rows.push_back({device, StoredIdFrom(row[1]), StoredIdFrom(row[2]), std::move(row[3])});
    }
    return rows;
}

std::vector<int32_t> JetStore::ReadDeviceIds() {
    std::vector<int32_t> ids;
    for (auto& row : ReadTable("DeviceDataArea", {"DeviceId"})) {
        StoredId id = StoredIdFrom(row[0]);
        if (id.errorNumber == 0) ids.push_back(id.value);
    }
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    return ids;
}

}  // namespace tessaro
