#include "devicedb/SqliteStore.h"

#include "platform/System.h"
#include "platform/Text.h"

#include <tessaro/CodePage.h>
#include <tessaro/RuntimeError.h>

#include <tessaro/CodePage.h>

#include <sqlite3.h>

#include <filesystem>
#include <random>


namespace tessaro {
namespace {

[[noreturn]] void Fail(sqlite3* db, const std::string& path, const char* what) {
    throw RuntimeError(PathFileAccessError,
                       path + ": " + what + ": " + (db ? sqlite3_errmsg(db) : "out of memory"));
}

// A column converted to a 32-bit integer as the lookups convert it: numbers rounded
// (halves to even) with overflow outside the range, texts read as numbers.
StoredId IdOf(sqlite3_stmt* row, int column) {
    switch (sqlite3_column_type(row, column)) {
    case SQLITE_INTEGER: {
        sqlite3_int64 v = sqlite3_column_int64(row, column);
        if (v < INT32_MIN || v > INT32_MAX) return {0, Overflow};
        return {static_cast<int32_t>(v), 0};
    }
    case SQLITE_FLOAT:
        return StoredIdFromNumber(sqlite3_column_double(row, column));
    case SQLITE_NULL:
        return StoredIdFrom(std::nullopt);
    default:
        return StoredIdFromText(std::string_view(reinterpret_cast<const char*>(sqlite3_column_text(row, column)),
                                                 static_cast<size_t>(sqlite3_column_bytes(row, column))));
    }
}

// SQLite keeps its texts in UTF-8; the component reads them in its code page.
std::optional<std::string> NameOf(sqlite3_stmt* row, int column) {
    if (sqlite3_column_type(row, column) == SQLITE_NULL) return std::nullopt;
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(row, column));
    return FromUtf8(std::string_view(text ? text : "", static_cast<size_t>(sqlite3_column_bytes(row, column))));
}

class Statement {
public:
    Statement(sqlite3* db, const std::string& path, const char* sql) : db_(db), path_(path) {
        if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK) Fail(db, path, "query");
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    sqlite3_stmt* get() const { return stmt_; }
    bool Step() {
        int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW) return true;
        if (rc == SQLITE_DONE) return false;
        Fail(db_, path_, "query");
    }

private:
    sqlite3* db_;
    const std::string& path_;
    sqlite3_stmt* stmt_ = nullptr;
};

}  // namespace

SqliteStore::SqliteStore(const std::string& path) : path_(path) {
    int rc = sqlite3_open_v2(Utf8FileName(path).c_str(), &db_, SQLITE_OPEN_READONLY, nullptr);
    if (rc != SQLITE_OK) {
        std::string reason = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        db_ = nullptr;
        throw RuntimeError(PathFileAccessError, path + ": " + reason);
    }
    // Opening is lazy: reading the schema tells a database from any other file.
    if (sqlite3_exec(db_, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) != SQLITE_OK) {
        std::string reason = sqlite3_errmsg(db_);
        sqlite3_close(db_);
        db_ = nullptr;
        throw RuntimeError(PathFileAccessError, path + ": " + reason);
    }
}

SqliteStore::~SqliteStore() { sqlite3_close(db_); }

// No device (a NULL parameter) selects every row.
std::vector<DeviceDataAreaRow> SqliteStore::ReadDataAreas(std::optional<int32_t> deviceId) {
    Statement q(db_, path_,
                "SELECT DeviceId, DeviceDataAreaId, Name FROM DeviceDataArea WHERE ?1 IS NULL OR DeviceId = ?1");
    if (deviceId) sqlite3_bind_int(q.get(), 1, *deviceId);
    std::vector<DeviceDataAreaRow> rows;
    while (q.Step()) rows.push_back({IdOf(q.get(), 0), IdOf(q.get(), 1), NameOf(q.get(), 2)});
    return rows;
}

std::vector<DeviceDataTypeRow> SqliteStore::ReadDataTypes(std::optional<int32_t> deviceId) {
    Statement q(db_, path_,
                "SELECT DeviceId, DeviceDataAreaId, DeviceDataTypeId, Name FROM DeviceDataType "
                "WHERE ?1 IS NULL OR DeviceId = ?1");
    if (deviceId) sqlite3_bind_int(q.get(), 1, *deviceId);
    std::vector<DeviceDataTypeRow> rows;
    while (q.Step()) rows.push_back({IdOf(q.get(), 0), IdOf(q.get(), 1), IdOf(q.get(), 2), NameOf(q.get(), 3)});
    return rows;
}

std::vector<int32_t> SqliteStore::ReadDeviceIds() {
    Statement q(db_, path_, "SELECT DISTINCT DeviceId FROM DeviceDataArea WHERE DeviceId IS NOT NULL ORDER BY DeviceId");
    std::vector<int32_t> ids;
    while (q.Step()) {
        StoredId id = IdOf(q.get(), 0);
        if (id.errorNumber == 0) ids.push_back(id.value);
    }
    return ids;
}

}  // namespace tessaro

namespace tessaro {
namespace {

// A stored identifier as a value that reads back as the same StoredId: the number, NULL,
// a number past 32 bits (overflow), or an empty text (type mismatch).
void BindId(sqlite3_stmt* insert, int column, const StoredId& id) {
    switch (id.errorNumber) {
    case 0: sqlite3_bind_int(insert, column, id.value); break;
    case InvalidUseOfNull: sqlite3_bind_null(insert, column); break;
    case Overflow: sqlite3_bind_int64(insert, column, sqlite3_int64{INT32_MAX} + 1); break;
    default: sqlite3_bind_text(insert, column, "", 0, SQLITE_STATIC); break;
    }
}

void BindName(sqlite3_stmt* insert, int column, const std::optional<std::string>& name) {
    if (name)
        sqlite3_bind_text(insert, column, ToUtf8(*name).c_str(), -1, SQLITE_TRANSIENT);
    else
        sqlite3_bind_null(insert, column);
}

// The file being written under its temporary name; removed unless it was renamed.
class PartFile {
public:
    explicit PartFile(const std::string& target) : target_(target) {
        std::random_device random;
        do {
            path_ = target + ".part" + std::to_string(random() % 1000000);
        } while (std::filesystem::exists(path_, ignored_));
    }
    ~PartFile() {
        sqlite3_close(db_);
        if (!path_.empty()) std::filesystem::remove(path_, ignored_);
    }
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;

    sqlite3*& Db() { return db_; }
    const std::string& Path() const { return path_; }
    void Exec(const char* sql) {
        if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK) Fail(db_, target_, "write");
    }
    void Keep() {
        if (sqlite3_close(db_) != SQLITE_OK) Fail(db_, target_, "close");
        db_ = nullptr;
        std::error_code error;
        std::filesystem::rename(path_, target_, error);
        if (error) throw RuntimeError(PathFileAccessError, target_ + ": " + error.message());
        path_.clear();
    }

private:
    const std::string& target_;
    std::string path_;
    sqlite3* db_ = nullptr;
    std::error_code ignored_;
};

}  // namespace

ExportCounts ExportSqlite(DeviceDBStore& source, const std::string& target, bool replace) {
    std::error_code unknown;  // a target that cannot be checked fails when it is created
    if (!replace && std::filesystem::exists(target, unknown))
        throw RuntimeError(PathFileAccessError, target + ": exists already and is not replaced");
    const auto areas = source.ReadDataAreas(std::nullopt);
    const auto types = source.ReadDataTypes(std::nullopt);

    PartFile part(target);
    if (sqlite3_open_v2(part.Path().c_str(), &part.Db(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK)
        Fail(part.Db(), target, "cannot be written");
    part.Exec("CREATE TABLE DeviceDataArea (DeviceId INTEGER, DeviceDataAreaId INTEGER, Name TEXT);"
              "CREATE TABLE DeviceDataType (DeviceId INTEGER, DeviceDataAreaId INTEGER, DeviceDataTypeId INTEGER,"
              " Name TEXT);"
              "BEGIN");
    {
        Statement insert(part.Db(), target, "INSERT INTO DeviceDataArea VALUES (?, ?, ?)");
        for (const auto& row : areas) {
            BindId(insert.get(), 1, row.DeviceId);
            BindId(insert.get(), 2, row.DeviceDataAreaId);
            BindName(insert.get(), 3, row.Name);
            insert.Step();
            sqlite3_reset(insert.get());
        }
    }
    {
        Statement insert(part.Db(), target, "INSERT INTO DeviceDataType VALUES (?, ?, ?, ?)");
        for (const auto& row : types) {
            BindId(insert.get(), 1, row.DeviceId);
            BindId(insert.get(), 2, row.DeviceDataAreaId);
            BindId(insert.get(), 3, row.DeviceDataTypeId);
            BindName(insert.get(), 4, row.Name);
            insert.Step();
            sqlite3_reset(insert.get());
        }
    }
    part.Exec("COMMIT");
    part.Keep();
    return {areas.size(), types.size()};
}

}  // namespace tessaro
