#pragma once
// The command line of tessaro:
//   tessaro import [options] FILE...
//   tessaro diff [options] OLD NEW, tessaro diff [options] --old FILE... --new FILE...
//   tessaro devices [--device-db FILE] [--export-sqlite FILE [--force]]
//   tessaro help [COMMAND], tessaro --help, tessaro --version
// Options take their value as "--opt VALUE" or "--opt=VALUE" (a value may start with
// "-" or be empty); "--" ends the options.

#include <tessaro/ImportOptions.h>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tessaro::cli {

// A command line that cannot be run; exit status 2. command names the command whose help
// the user is sent to ("" for the general help).
struct UsageError : std::runtime_error {
    UsageError(const std::string& message, std::string helpOf = "")
        : std::runtime_error(message), command(std::move(helpOf)) {}
    std::string command;
};

enum class Format { Table, Csv, Jsonl };

// The lines --lines lists: those that became variables, those that did not, or all.
enum class Lines { Imported, Rejected, All };

struct ImportOptions {
    std::optional<std::string> componentDir;
    std::optional<std::string> deviceDb;
    std::optional<std::string> messages;  // "-": standard error, in UTF-8
    std::optional<int32_t> languageId;    // the LanguageId setting the language stands for
    std::optional<std::string> codePage;
    int32_t deviceCode = 1;
    int32_t deviceId = 1;
    std::string deviceName;
    std::optional<Format> format;  // none: a table on a terminal, JSON lines otherwise
    std::vector<size_t> columns;   // indexes into the output's columns, in the order chosen
    Lines lines = Lines::Imported;
    std::optional<std::string> summary;  // the JSON summary's file
    bool exact = false;            // every file read as the component reads it by itself
    std::optional<tessaro::ImportOptions::Mnemonics> mnemonics;  // none: German with exact, else detected
    double waitSeconds = -1;       // for a component folder another import holds; -1: as long as it takes
    std::optional<std::string> report;  // an HTML page of the import; keeps its account
    std::vector<std::string> files;
};

// tessaro diff: each side one argument (a saved import, a folder of sources, one source)
// or a list of sources (--old, --new). Sources are imported with the import's options as
// import takes them (import.files unused); import.format is the output's.
struct DiffOptions {
    ImportOptions import;
    std::vector<std::string> oldSide, newSide;
    bool lists = false;  // the sides given by --old and --new
    std::optional<std::string> summary;  // the counts as JSON to this file
    std::optional<std::string> report;   // an HTML page of the comparison
    bool renames = true;
    bool comments = true;
};

struct DevicesOptions {
    std::optional<std::string> deviceDb;
    std::optional<std::string> exportSqlite;  // convert instead of listing
    bool force = false;                       // replace an existing export file
};

struct CommandLine {
    enum class Command { Help, Version, Import, Diff, Devices } command = Command::Help;
    std::string helpTopic;  // with Help: "", "import", "diff" or "devices"
    ImportOptions import;
    DiffOptions diff;
    DevicesOptions devices;
};

CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// How the library reads the sources of an import that the command line runs (import,
// and diff for the sides it imports): by default lone LFs end lines, tabs are blanks,
// symbolic block names are whole and the mnemonics are detected per file; with --exact
// every reading stays the component's own. --mnemonics overrides either. The symbol
// tables of the SDF and DIF exports are read beside ASC either way.
tessaro::ImportOptions LibraryOptions(const ImportOptions& options);

// The help page of a command, or the general one for "".
const char* HelpText(const std::string& command);

// "tessaro 0.1.0 (commit ...)", from the build.
std::string VersionText();

}  // namespace tessaro::cli
