#pragma once
// Helpers shared by the tests: temporary folders, whole files as bytes, the shared
// fixtures folder beside the project.

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

// ../shared beside the project, or empty when it is absent (a user's clone): tests that
// need it call GTEST_SKIP() then.
std::filesystem::path SharedDir();

// A symbol-table line: columns 1-4 "126,", symbol 5-28, operand area 29-31, a blank,
// address 33-39, data type 40-47, then the comment; no line end.
std::string SymbolLine(const std::string& symbol, const std::string& area, const std::string& address,
                       const std::string& type, const std::string& comment = "");

// The number of the RuntimeError the call raises, 0 when it raises none.
int32_t ErrorNumberOf(const std::function<void()>& call);

// Builds an SQLite file from SQL text (e.g. the fixture device database).
void WriteSqliteDatabase(const std::filesystem::path& file, const std::string& sql);

// The SQL of the shared fixture device database, or of the bundled sample when
// ../shared is absent.
std::string FixtureDeviceDbSql();

// The component's own layout in a temporary folder: component folder root/app/bin
// (made the calling thread's component folder while the object lives), the device
// database root/KorvoDEV.dbr built from sql, the merged message file root/app/Messenger.Msg.
class ComponentLayout {
public:
    explicit ComponentLayout(const std::string& deviceDbSql = FixtureDeviceDbSql());
    ~ComponentLayout();
    TempDir root;
    std::string component;
    std::string deviceDb;
    std::string merged;
    std::string PartialFile(int number) const { return component + "/" + std::to_string(number) + ".Msg"; }
};

// Every property of a record, "|" between them: name, section, tag attribute, then the
// numbers in the order of the class and the two flags as 0 or 1.
std::string RecordLine(const Variable& v);

// Lines, each followed by CR LF.
std::string CrLf(const std::vector<std::string>& lines);

// A data source per SourceId, in the order given.
DataSourceCollection Sources(const std::vector<std::string>& sourceIds);

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

// Fixes the header time of the calling thread's merged message files.
void FixMessengerTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

// One block of a merged message file: a title and its lines, each followed by an empty line.
struct MessageBlock {
    std::string title;
    std::vector<std::string> lines;
};
// The bytes one import appends to the merged file: an empty line, the header
// ("--Device--MM-DD-YY HH.MM.SS"), two empty lines, then the blocks.
std::string MergedImport(const std::string& header, const std::vector<MessageBlock>& blocks);

// The command-line program run through the shell, standard input empty.
struct CliRun {
    int status;
    std::string out, err;
};
CliRun RunCli(const std::vector<std::string>& arguments, const std::string& environment = "");

}  // namespace tessaro::test
