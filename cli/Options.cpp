#include "Options.h"

#include <charconv>
#include <functional>
#include <map>
#include <string_view>

namespace tessaro::cli {

const char* const kUsage =
    "Usage:\n"
    "  tessaro import [options] FILE...   import symbol tables (.ASC) and data-block sources (.AWL)\n"
    "  tessaro devices [--device-db FILE] list the devices, areas and types of a device database\n"
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
        {"en", 1}, {"it", 2}, {"fr", 3}, {"es", 4}, {"de", 5}, {"zh", 6},
    };
    auto it = ids.find(value);
    if (it == ids.end()) throw UsageError("--language wants it, en, de, fr, es or zh, not \"" + value + "\"");
    return it->second;
}

using Setter = std::function<void(const std::string& option, const std::string& value)>;

// Splits the arguments of one command into its options and its operands.
std::vector<std::string> ParseOptions(const std::vector<std::string>& arguments, size_t first,
                                      const std::map<std::string, Setter>& options, bool& help) {
    std::vector<std::string> operands;
    bool optionsEnded = false;
    for (size_t i = first; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument == "-" || argument.empty() || argument[0] != '-') {
            operands.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (argument == "-h" || argument == "--help") {
            help = true;
            continue;
        }
        const size_t equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        auto option = options.find(name);
        if (!argument.starts_with("--") || option == options.end()) throw UsageError("unknown option " + name);
        if (equals != std::string::npos) {
            option->second(name, argument.substr(equals + 1));
        } else if (i + 1 < arguments.size()) {
            option->second(name, arguments[++i]);
        } else {
            throw UsageError(name + " wants a value");
        }
    }
    return operands;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    if (arguments.size() < 2) throw UsageError("a command is wanted: import or devices");
    const std::string& command = arguments[1];
    bool help = false;
    if (command == "-h" || command == "--help" || command == "help") return line;
    if (command == "import") {
        ImportOptions& o = line.import;
        const std::map<std::string, Setter> options = {
            {"--component-dir", [&](auto&, auto& v) { o.componentDir = v; }},
            {"--device-db", [&](auto&, auto& v) { o.deviceDb = v; }},
            {"--messages", [&](auto&, auto& v) { o.messages = v; }},
            {"--device-code", [&](auto& n, auto& v) { o.deviceCode = Number(n, v); }},
            {"--device-id", [&](auto& n, auto& v) { o.deviceId = Number(n, v); }},
            {"--device-name", [&](auto&, auto& v) { o.deviceName = v; }},
            {"--format", [&](auto&, auto& v) { o.format = FormatNamed(v); }},
            {"--language", [&](auto&, auto& v) { o.languageId = LanguageIdNamed(v); }},
        };
        o.files = ParseOptions(arguments, 2, options, help);
        if (help) return line;
        if (o.files.empty()) throw UsageError("import wants at least one FILE");
        if (o.componentDir && o.deviceDb)
            throw UsageError("--device-db and --component-dir exclude each other: the component's layout has "
                             "its own device database");
        if (o.componentDir && o.messages)
            throw UsageError("--messages and --component-dir exclude each other: the component's layout has "
                             "its own merged message file");
        line.command = CommandLine::Command::Import;
        return line;
    }
    if (command == "devices") {
        const std::map<std::string, Setter> options = {
            {"--device-db", [&](auto&, auto& v) { line.devices.deviceDb = v; }},
        };
        auto operands = ParseOptions(arguments, 2, options, help);
        if (help) return line;
        if (!operands.empty()) throw UsageError("devices takes no FILE: " + operands.front());
        line.command = CommandLine::Command::Devices;
        return line;
    }
    throw UsageError("unknown command " + command);
}

}  // namespace tessaro::cli
