#pragma once
// Helpers shared by the tests: temporary folders, whole files as bytes, the component's
// layout, a hook at the import's yields, the command line as a user runs it.

#include <tessaro/DataSource.h>
#include <tessaro/Variable.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tessaro::test {

// A fresh folder, removed with everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

void WriteFile(const std::filesystem::path& file, const std::string& bytes);
std::string ReadFile(const std::filesystem::path& file);

// A symbol-table line: columns 1-4 "126,", symbol 5-28, operand area 29-31, a blank,
// address 33-39, data type 40-47, then the comment; no line end.
std::string SymbolLine(const std::string& symbol, const std::string& area, const std::string& address,
                       const std::string& type, const std::string& comment = "");

// Lines, each followed by CR LF.
std::string CrLf(const std::vector<std::string>& lines);

// The number of the RuntimeError the call raises, 0 when it raises none.
int32_t ErrorNumberOf(const std::function<void()>& call);

// Builds an SQLite file from SQL text.
void WriteSqliteDatabase(const std::filesystem::path& file, const std::string& sql);

// The component's own layout in a temporary folder: component folder root/app/bin
// (made the calling thread's component folder while the object lives), the bundled
// sample device database (device 1 takes everything, device 2 has no markers) copied to
// root/KorvoDEV.dbr, the merged message file root/app/Messenger.Msg.
class ComponentLayout {
public:
    ComponentLayout();
    ~ComponentLayout();
    TempDir root;
    std::string component, deviceDb, merged;
    std::string Merged() const;  // "" when there is none
};

// A data source per SourceId, in the order given.
DataSourceCollection Sources(const std::vector<std::string>& sourceIds);

// Installs a yield hook for the life of the object: the action runs at every yield with
// the number of yields so far (1 for the first).
class YieldAction {
public:
    explicit YieldAction(std::function<void(int)> action);
    ~YieldAction();
    YieldAction(const YieldAction&) = delete;
    YieldAction& operator=(const YieldAction&) = delete;
    int Count() const { return count_; }

private:
    std::function<void(int)> action_;
    int count_ = 0;
};

// Sets (or with std::nullopt removes) an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

// The command-line program run through the shell after the environment assignments or
// commands given, standard input empty.
struct CliRun {
    int status;
    std::string out, err;
};
CliRun RunCli(const std::vector<std::string>& arguments, const std::string& environment = "");

}  // namespace tessaro::test
