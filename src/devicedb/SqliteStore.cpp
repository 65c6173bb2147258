#include "devicedb/SqliteStore.h"

#include "platform/Text.h"

#include <tessaro/RuntimeError.h>

#include <tessaro/CodePage.h>

#include <sqlite3.h>


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

std::optional<std::string> NameOf(sqlite3_stmt* row, int column) {
    if (sqlite3_column_type(row, column) == SQLITE_NULL) return std::nullopt;
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(row, column));
    return std::string(text ? text : "", static_cast<size_t>(sqlite3_column_bytes(row, column)));
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
#ifdef _WIN32
    // SQLite takes UTF-8 file names on Windows; the component's paths are ANSI text.
    const std::string name = ToUtf8(path);
#else
    const std::string& name = path;  // file names are bytes here
#endif
    int rc = sqlite3_open_v2(name.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr);
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

std::vector<DeviceDataAreaRow> SqliteStore::ReadDataAreas(int32_t deviceId) {
    Statement q(db_, path_, "SELECT DeviceId, DeviceDataAreaId, Name FROM DeviceDataArea WHERE DeviceId = ?");
    sqlite3_bind_int(q.get(), 1, deviceId);
    std::vector<DeviceDataAreaRow> rows;
    while (q.Step()) rows.push_back({IdOf(q.get(), 1), NameOf(q.get(), 2)});
    return rows;
}

std::vector<DeviceDataTypeRow> SqliteStore::ReadDataTypes(int32_t deviceId) {
    Statement q(db_, path_,
                "SELECT DeviceId, DeviceDataAreaId, DeviceDataTypeId, Name FROM DeviceDataType WHERE DeviceId = ?");
    sqlite3_bind_int(q.get(), 1, deviceId);
    std::vector<DeviceDataTypeRow> rows;
    while (q.Step()) rows.push_back({IdOf(q.get(), 1), IdOf(q.get(), 2), NameOf(q.get(), 3)});
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
