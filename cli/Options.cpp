#include "Options.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <charconv>
#include <map>
#include <string_view>

namespace tessaro::cli {

const char* const kUsage =
    "Usage:\n"
    "  tessaro import [options] FILE...   import symbol tables (.ASC) and data-block sources (.AWL)\n"
    "  tessaro devices [--device-db FILE] list the devices, areas and types of a device database\n"
    "  tessaro devices [--device-db FILE] --export-sqlite NEW [--force]\n"
    "                                     convert a device database (Jet or SQLite) into the SQLite\n"
    "                                     form, rows in the same order; an existing NEW is kept\n"
    "                                     unless --force replaces it\n"
    "\n"
    "Import options (--opt VALUE or --opt=VALUE; -- ends the options):\n"
    "  --component-dir DIR   run in the component's own layout: device database DIR/../../KorvoDEV.dbr,\n"
    "                        message files in DIR, merged messages in DIR/../Messenger.Msg\n"
    "  --device-db FILE      device database (default: the bundled sample database)\n"
    "  --messages FILE       append the merged messages to FILE (default: standard error)\n"
    "  --device-code N       the device's code in the device database (default 1)\n"
    "  --device-id N         the device identifier written into every variable (default 1)\n"
    "  --device-name NAME    the device name in the header of the messages (default empty)\n"
    "  --format F            table, csv or jsonl (default: table on a terminal, jsonl otherwise)\n"
    "  --language L          language of the messages: it, en, de, fr, es or zh\n"
    "  --codepage NAME       code page of the source and message files: WINDOWS-1252, CP1251, CP936,\n"
    "                        CP932, 949, ... in any letter case (default: TESSARO_CODEPAGE, else CP936\n"
    "                        with --language zh, else WINDOWS-1252); the output stays UTF-8\n"
    "\n"
    "Exit status: 0 the import ran to its end, 1 it stopped, 2 the command line is wrong.\n";

namespace {

int32_t Number(const std::string& option, const std::string& value) {
    int32_t number = 0;
    const char* first = value.data();
    const char* last = value.data() + value.size();
    if (first != last && *first == '+') ++first;
    auto [end, error] = std::from_chars(first, last, number);
    if (value.empty() || error != std::errc() || end != last)
        throw UsageError(option + " wants a whole number from -2147483648 to 2147483647, not \"" + value + "\"");
    return number;
}

Format FormatNamed(const std::string& value) {
    if (value == "table") return Format::Table;
    if (value == "csv") return Format::Csv;
    if (value == "jsonl") return Format::Jsonl;
    throw UsageError("--format wants table, csv or jsonl, not \"" + value + "\"");
}

// The LanguageId values of the six languages.
int32_t LanguageIdNamed(const std::string& value) {
    static const std::map<std::string, int32_t> ids = {
        {"en", 1}, {"it", 2}, {"fr", 3}, {"es", 4}, {"de", 5}, {"zh", kChineseLanguageId},
    };
    auto it = ids.find(value);
    if (it == ids.end()) throw UsageError("--language wants it, en, de, fr, es or zh, not \"" + value + "\"");
    return it->second;
}

// CLI11 reads "--opt=" as an option waiting for the next argument. Spelling every
// "--opt=VALUE" before "--" as "--opt" "VALUE" gives it the form it reads right, empty
// values and values starting with "-" included.
std::vector<std::string> SplitAttachedValues(const std::vector<std::string>& arguments) {
    std::vector<std::string> split;
    bool optionsEnded = false;
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--") optionsEnded = true;
        size_t equals = argument.find('=');
        if (!optionsEnded && argument.starts_with("--") && equals != std::string::npos) {
            split.push_back(argument.substr(0, equals));
            split.push_back(argument.substr(equals + 1));
        } else {
            split.push_back(argument);
        }
    }
    std::reverse(split.begin(), split.end());  // CLI11 takes its arguments last first
    return split;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    CLI::App app("tessaro", "tessaro");
    app.set_help_flag();
    app.require_subcommand(0, 1);
    bool help = false;
    app.add_flag("-h,--help", help);

    ImportOptions& o = line.import;
    std::string deviceCode = "1", deviceId = "1", format, language;
    CLI::App* import = app.add_subcommand("import");
    import->set_help_flag();
    import->add_flag("-h,--help", help);
    import->add_option("--component-dir", o.componentDir);
    import->add_option("--device-db", o.deviceDb);
    import->add_option("--messages", o.messages);
    import->add_option("--device-code", deviceCode);
    import->add_option("--device-id", deviceId);
    import->add_option("--device-name", o.deviceName);
    import->add_option("--format", format);
    import->add_option("--language", language);
    import->add_option("--codepage", o.codePage);
    import->add_option("FILE", o.files);

    CLI::App* devices = app.add_subcommand("devices");
    devices->set_help_flag();
    devices->add_flag("-h,--help", help);
    devices->add_option("--device-db", line.devices.deviceDb);
    devices->add_option("--export-sqlite", line.devices.exportSqlite);
    devices->add_flag("--force", line.devices.force);

    auto rest = SplitAttachedValues(arguments);
    if (rest.empty()) throw UsageError("a command is wanted: import or devices");
    if (rest.back() == "help") return line;
    try {
        app.parse(rest);
    } catch (const CLI::ParseError& error) {
        throw UsageError(error.what());
    }
    if (help) return line;
    if (import->parsed()) {
        o.deviceCode = Number("--device-code", deviceCode);
        o.deviceId = Number("--device-id", deviceId);
        if (import->count("--format")) o.format = FormatNamed(format);
        if (import->count("--language")) o.languageId = LanguageIdNamed(language);
        if (o.files.empty()) throw UsageError("import wants at least one FILE");
        if (o.componentDir && o.deviceDb)
            throw UsageError("--device-db and --component-dir exclude each other: the component's layout has "
                             "its own device database");
        if (o.componentDir && o.messages)
            throw UsageError("--messages and --component-dir exclude each other: the component's layout has "
                             "its own merged message file");
        line.command = CommandLine::Command::Import;
    } else if (devices->parsed()) {
        if (line.devices.force && !line.devices.exportSqlite) throw UsageError("--force goes with --export-sqlite");
        line.command = CommandLine::Command::Devices;
    } else {
        throw UsageError("unknown command " + arguments[1]);
    }
    return line;
}

}  // namespace tessaro::cli
