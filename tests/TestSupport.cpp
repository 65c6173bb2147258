#include "TestSupport.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <unistd.h>

#include <sqlite3.h>
#include <sys/wait.h>
#include <tessaro/Platform.h>
#include <tessaro/RuntimeError.h>

#include "messages/MessengerClock.h"

namespace tessaro::test {

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    auto base = std::filesystem::temp_directory_path();
    for (;;) {
        auto candidate = base / ("tessaro-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        if (std::filesystem::create_directory(candidate)) {
            path_ = candidate;
            return;
        }
    }
}

TempDir::~TempDir() {
    std::error_code ec;
    // Restore write permission that a test may have taken away, then remove.
    for (auto& entry : std::filesystem::recursive_directory_iterator(path_, ec))
        std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

void WriteFile(const std::filesystem::path& file, const std::string& bytes) {
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot write " + file.string());
    out << bytes;
}

std::string ReadFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + file.string());
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

std::filesystem::path SharedDir() {
    std::filesystem::path dir = TESSARO_SHARED_DIR;
    std::error_code ec;
    return std::filesystem::is_directory(dir, ec) ? dir : std::filesystem::path{};
}

std::string SymbolLine(const std::string& symbol, const std::string& area, const std::string& address,
                       const std::string& type, const std::string& comment) {
    auto pad = [](std::string text, size_t width) {
        text.resize(width, ' ');
        return text;
    };
    return "126," + pad(symbol, 24) + pad(area, 3) + " " + pad(address, 7) + pad(type, 8) + comment;
}

int32_t ErrorNumberOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const RuntimeError& e) {
        return e.Number;
    }
    return 0;
}

void WriteSqliteDatabase(const std::filesystem::path& file, const std::string& sql) {
    std::filesystem::remove(file);
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path());
    sqlite3* db = nullptr;
    if (sqlite3_open(file.string().c_str(), &db) != SQLITE_OK) throw std::runtime_error("cannot create " + file.string());
    char* error = nullptr;
    int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
    std::string message = error ? error : "";
    sqlite3_free(error);
    sqlite3_close(db);
    if (rc != SQLITE_OK) throw std::runtime_error("SQL failed: " + message);
}

std::string FixtureDeviceDbSql() {
    auto shared = SharedDir();
    if (!shared.empty()) return ReadFile(shared / "fixtures" / "devicedb.sql");
    return ReadFile(std::filesystem::path(TESSARO_SOURCE_DIR) / "samples" / "devicedb.sql");
}

ComponentLayout::ComponentLayout(const std::string& deviceDbSql)
    : component((root.path() / "app" / "bin").string()),
      deviceDb((root.path() / "KorvoDEV.dbr").string()),
      merged((root.path() / "app" / "Messenger.Msg").string()) {
    std::filesystem::create_directories(component);
    WriteSqliteDatabase(deviceDb, deviceDbSql);
    SetThreadComponentFolder(component);
}

ComponentLayout::~ComponentLayout() { SetThreadComponentFolder(""); }

std::string CrLf(const std::vector<std::string>& lines) {
    std::string bytes;
    for (const auto& line : lines) bytes += line + "\r\n";
    return bytes;
}

std::string RecordLine(const Variable& v) {
    std::string line = v.Name + "|" + v.SectionName + "|" + v.TagAttribute;
    for (int32_t n : {v.DeviceId, v.NestingLevel, v.DataAreaId, v.DataTypeId, v.VariableLen, v.FieldAdd1, v.FieldAdd2,
                      v.FieldAdd3, v.FieldAdd4, v.FieldAdd5, int32_t{v.Sign}, int32_t{v.Warning}})
        line += "|" + std::to_string(n);
    return line;
}

DataSourceCollection Sources(const std::vector<std::string>& sourceIds) {
    DataSourceCollection sources;
    for (const auto& id : sourceIds) sources.Add(std::make_shared<DataSource>(DataSource{id}));
    return sources;
}

ScopedEnv::ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) ::setenv(name, value->c_str(), 1);
    else ::unsetenv(name);
}

ScopedEnv::~ScopedEnv() {
    if (old_) ::setenv(name_, old_->c_str(), 1);
    else ::unsetenv(name_);
}

void FixMessengerTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    SetThreadMessengerTime(t);
}

std::string MergedImport(const std::string& header, const std::vector<MessageBlock>& blocks) {
    std::string text = "\r\n" + header + "\r\n\r\n\r\n";
    for (const auto& block : blocks) {
        text += "-" + block.title + "\r\n\r\n";
        for (const auto& line : block.lines) text += line + "\r\n\r\n";
    }
    return text;
}

CliRun RunCli(const std::vector<std::string>& arguments, const std::string& environment) {
    auto quoted = [](const std::string& argument) {
        std::string text = "'";
        for (char c : argument) text += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return text + "'";
    };
    TempDir io;
    std::string command = environment + " " + quoted(TESSARO_CLI_PATH);
    for (const auto& argument : arguments) command += " " + quoted(argument);
    command += " </dev/null >" + (io / "out") + " 2>" + (io / "err");
    int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(io / "out"), ReadFile(io / "err")};
}

}  // namespace tessaro::test
