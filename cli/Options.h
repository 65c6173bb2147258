#pragma once
// The command line of tessaro:
//   tessaro import [options] FILE...
//   tessaro devices [--device-db FILE] [--export-sqlite FILE [--force]]
// Options take their value as "--opt VALUE" or "--opt=VALUE" (a value may start with
// "-" or be empty); "--" ends the options.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tessaro::cli {

// A command line that cannot be run; exit status 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

enum class Format { Table, Csv, Jsonl };

// The LanguageId of Chinese, whose messages want a Chinese code page.
inline constexpr int32_t kChineseLanguageId = 6;

struct ImportOptions {
    std::optional<std::string> componentDir;
    std::optional<std::string> deviceDb;
    std::optional<std::string> messages;
    std::optional<int32_t> languageId;  // the LanguageId setting the language stands for
    std::optional<std::string> codePage;
    int32_t deviceCode = 1;
    int32_t deviceId = 1;
    std::string deviceName;
    std::optional<Format> format;  // none: a table on a terminal, JSON lines otherwise
    std::vector<std::string> files;
};

struct DevicesOptions {
    std::optional<std::string> deviceDb;
    std::optional<std::string> exportSqlite;  // convert instead of listing
    bool force = false;                       // replace an existing export file
};

struct CommandLine {
    enum class Command { Help, Import, Devices } command = Command::Help;
    ImportOptions import;
    DevicesOptions devices;
};

CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

extern const char* const kUsage;

}  // namespace tessaro::cli
