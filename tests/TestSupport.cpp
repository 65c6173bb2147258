#include "TestSupport.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <unistd.h>

#include <sqlite3.h>
#include <sys/wait.h>
#include <tessaro/Platform.h>
#include <tessaro/RuntimeError.h>

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

ComponentLayout::ComponentLayout()
    : component((root.path() / "app" / "bin").string()),
      deviceDb((root.path() / "KorvoDEV.dbr").string()),
      merged((root.path() / "app" / "Messenger.Msg").string()) {
    std::filesystem::create_directories(component);
    std::filesystem::copy_file(TESSARO_SAMPLE_DB, deviceDb);
    SetThreadComponentFolder(component);
}

ComponentLayout::~ComponentLayout() { SetThreadComponentFolder(""); }

std::string ComponentLayout::Merged() const { return std::filesystem::exists(merged) ? ReadFile(merged) : ""; }

std::string CrLf(const std::vector<std::string>& lines) {
    std::string bytes;
    for (const auto& line : lines) bytes += line + "\r\n";
    return bytes;
}

DataSourceCollection Sources(const std::vector<std::string>& sourceIds) {
    DataSourceCollection sources;
    for (const auto& id : sourceIds) sources.Add(std::make_shared<DataSource>(DataSource{id}));
    return sources;
}

YieldAction::YieldAction(std::function<void(int)> action) : action_(std::move(action)) {
    SetYieldHook([](void* self) {
        auto* me = static_cast<YieldAction*>(self);
        me->action_(++me->count_);
    }, this);
}

YieldAction::~YieldAction() { SetYieldHook(nullptr, nullptr); }

ScopedEnv::ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) ::setenv(name, value->c_str(), 1);
    else ::unsetenv(name);
}

ScopedEnv::~ScopedEnv() {
    if (old_) ::setenv(name_, old_->c_str(), 1);
    else ::unsetenv(name_);
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
