#include "Options.h"

#include "Output.h"
#include "Plural.h"
#include "Version.h"

#include <tessaro/Platform.h>

#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <map>
#include <string_view>

namespace tessaro::cli {

namespace {

const char* const kGeneralHelp =
    "Usage:\n"
    "  tessaro import [options] FILE...   import symbol tables (.ASC, .SDF, .DIF) and data-block\n"
    "                                     sources (.AWL)\n"
    "  tessaro diff [options] OLD NEW     what changed between two imports (saved or of sources)\n"
    "  tessaro diff [options] --old FILE... --new FILE...\n"
    "                                     the same, each side a list of sources\n"
    "  tessaro devices [--device-db FILE] list the devices, areas and types of a device database\n"
    "  tessaro devices [--device-db FILE] --export-sqlite NEW [--force]\n"
    "                                     convert a device database into the SQLite form\n"
    "  tessaro help COMMAND               the options of a command, with examples\n"
    "  tessaro --version                  the version and the commit it was built from\n"
    "\n"
    "Examples:\n"
    "  tessaro import Plant.ASC Plant.AWL\n"
    "  tessaro import --format csv --messages plant.msg Plant.ASC > plant.csv\n"
    "  tessaro diff plant-march.jsonl plant/\n"
    "  tessaro devices --device-db KorvoDEV.dbr\n"
    "\n"
    "Exit status: 0 every FILE was imported to its end; 1 a FILE was skipped, could not be\n"
    "read or ended in a file error, the device code is not in the device database, the\n"
    "import stopped or an output could not be written; 2 the command line is wrong.\n"
    "diff: 0 no difference, 1 differences, 2 trouble.\n";

const char* const kImportHelp =
    "Usage: tessaro import [options] FILE...\n"
    "Imports the symbol tables (.ASC, .SDF, .DIF) and data-block sources (.AWL) given, in\n"
    "that order, and writes one row per variable to standard output.\n"
    "\n"
    "Options (--opt VALUE or --opt=VALUE; -- ends the options):\n"
    "  --device-db FILE      device database (default: the bundled sample database)\n"
    "  --device-code N       the device's code in the device database (default 1)\n"
    "  --device-id N         the device identifier written into every variable (default 1)\n"
    "  --device-name NAME    the device name in the header of the messages (default empty)\n"
    "  --format F            table, csv or jsonl (default: table on a terminal, jsonl otherwise)\n"
    "  --columns C,C,...     only these columns, in this order (any format)\n"
    "  --lines L             imported (the variables), rejected (the symbol and value lines\n"
    "                        that became none, with their fate and reason) or all\n"
    "                        (default imported)\n"
    "  --summary FILE        write a JSON summary of the import to FILE: lines per fate and\n"
    "                        reason, per file, the reading of each file, the reports\n"
    "  --messages FILE       append the full message log to FILE; - writes it to standard\n"
    "                        error in UTF-8 (default: a summary on a terminal, else the\n"
    "                        full log on standard error)\n"
    "  --language L          language of the messages: en, it, fr, es, de, zh or 1-6\n"
    "  --codepage NAME       code page of the source and message files: WINDOWS-1252, CP1251,\n"
    "                        CP936, CP932, 949, ... in any letter case (default: TESSARO_CODEPAGE,\n"
    "                        else CP936 with --language zh, else WINDOWS-1252); output stays UTF-8\n"
    "  --mnemonics M         operand areas in de (E, A, Z), en (I, Q, C) or auto: per file\n"
    "                        (default auto; de with --exact)\n"
    "  --exact               read every file as the component does by itself: lines end\n"
    "                        at CR or CR LF only, tabs as written, block names of 20\n"
    "                        characters, German mnemonics, value lines commented out with\n"
    "                        // read as values (default: lone LF ends a line, tabs are\n"
    "                        blanks, block names whole, mnemonics detected, commented-out\n"
    "                        value lines passed over; each file read so is named on\n"
    "                        standard error)\n"
    "  --report FILE         write the import to FILE as one HTML page to open in a browser:\n"
    "                        files, counts, charts and the table of the lines (keeps the\n"
    "                        import's account of its lines)\n"
    "  --component-dir DIR   run in the component's own layout: device database\n"
    "                        DIR/../../KorvoDEV.dbr, message files in DIR, merged messages\n"
    "                        in DIR/../Messenger.Msg\n"
    "  --wait SECONDS        with --component-dir: how long to wait while another import\n"
    "                        runs in the same folder (default: until it ends)\n"
    "  -h, --help            this help\n"
    "\n"
    "Columns: Name SectionName DeviceId NestingLevel TagAttribute DataAreaId DataTypeId\n"
    "VariableLen FieldAdd1 FieldAdd2 FieldAdd3 FieldAdd4 FieldAdd5 Sign Warning; and of the\n"
    "line each came from: File Line Address (absolute, bit included) Comment Fate Reason\n"
    "(--lines rejected or all without --columns: every column)\n"
    "\n"
    "Examples:\n"
    "  tessaro import Plant.ASC Plant.AWL\n"
    "  tessaro import --format csv --columns Name,DataAreaId,DataTypeId,FieldAdd1 Plant.ASC > plant.csv\n"
    "  tessaro import --language de --messages plant.msg Plant.ASC Plant.AWL > plant.jsonl\n"
    "  tessaro import --exact --mnemonics en Plant.ASC\n"
    "  tessaro import --lines rejected --format csv --columns File,Line,Name,Address,Fate,Reason Plant.ASC Plant.AWL\n"
    "  tessaro import --summary plant-summary.json Plant.ASC Plant.AWL > plant.jsonl\n"
    "  tessaro import --report plant.html Plant.ASC Plant.AWL > plant.jsonl\n";

const char* const kDiffHelp =
    "Usage: tessaro diff [options] OLD NEW\n"
    "       tessaro diff [options] --old FILE... --new FILE...\n"
    "Compares two imports and writes one row per variable added, removed, changed or\n"
    "renamed, then a summary line on standard error. Each of OLD and NEW is a saved\n"
    "import (written by tessaro import --format jsonl or csv), a folder whose *.ASC and\n"
    "*.AWL files are imported, or one source; --old and --new take lists of sources.\n"
    "Variables are matched by name (in any letter case) and device id.\n"
    "\n"
    "Options (--opt VALUE or --opt=VALUE; -- ends the options):\n"
    "  --old FILE...         the old side: its sources, or as OLD (with --new, instead of OLD NEW)\n"
    "  --new FILE...         the new side: its sources, or as NEW\n"
    "  --format F            table, csv or jsonl (default: table on a terminal, jsonl otherwise)\n"
    "  --summary FILE        write the counts as JSON to FILE\n"
    "  --report FILE         write the comparison to FILE as one HTML page to open in a\n"
    "                        browser: the sides, the counts, a chart and the changes\n"
    "  --no-renames          show a renamed variable as removed and added\n"
    "  --ignore-comments     leave out changed comments, where the imports kept their account\n"
    "  --device-db FILE      device database for the sources (default: the bundled sample)\n"
    "  --device-code N       the device's code in the device database (default 1)\n"
    "  --device-id N         the device identifier of the sources' variables (default 1)\n"
    "  --language L          language of the import's messages: en, it, fr, es, de, zh or 1-6\n"
    "  --codepage NAME       code page of the source files: WINDOWS-1252, CP1251, CP936, ...\n"
    "  --mnemonics M         operand areas in de (E, A, Z), en (I, Q, C) or auto: per file\n"
    "                        (default auto; de with --exact)\n"
    "  --exact               read every source as the component does by itself (default:\n"
    "                        as import reads them; each source read otherwise is named on\n"
    "                        standard error)\n"
    "  -h, --help            this help\n"
    "\n"
    "Exit status: 0 no difference, 1 differences, 2 trouble (a side that cannot be read,\n"
    "a wrong command line).\n"
    "\n"
    "Examples:\n"
    "  tessaro diff plant-march.jsonl plant/\n"
    "  tessaro diff --old Plant.ASC Plant.AWL --new new/Plant.ASC new/Plant.AWL\n"
    "  tessaro diff --format csv --summary counts.json old.csv new.csv > changes.csv\n";

const char* const kDevicesHelp =
    "Usage: tessaro devices [--device-db FILE]\n"
    "       tessaro devices [--device-db FILE] --export-sqlite NEW [--force]\n"
    "Lists the devices of a device database with their data areas and types, or converts\n"
    "the database (Jet or SQLite) into the SQLite form, rows in the same order.\n"
    "\n"
    "Options:\n"
    "  --device-db FILE      device database (default: the bundled sample database)\n"
    "  --export-sqlite NEW   write the database to NEW in the SQLite form\n"
    "  --force               replace NEW when it exists (else it is kept)\n"
    "  -h, --help            this help\n"
    "\n"
    "Examples:\n"
    "  tessaro devices\n"
    "  tessaro devices --device-db old.dbr --export-sqlite new.dbr\n";

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// Edits (insert, remove, replace, swap two neighbours) from one word to the other,
// ignoring letter case.
size_t Distance(const std::string& a, const std::string& b) {
    const std::string x = Lower(a), y = Lower(b);
    std::vector<std::vector<size_t>> d(x.size() + 1, std::vector<size_t>(y.size() + 1));
    for (size_t i = 0; i <= x.size(); ++i) d[i][0] = i;
    for (size_t j = 0; j <= y.size(); ++j) d[0][j] = j;
    for (size_t i = 1; i <= x.size(); ++i)
        for (size_t j = 1; j <= y.size(); ++j) {
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (x[i - 1] == y[j - 1] ? 0 : 1)});
            if (i > 1 && j > 1 && x[i - 1] == y[j - 2] && x[i - 2] == y[j - 1]) d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    return d[x.size()][y.size()];
}

// "; did you mean 'x'?" for the nearest candidate that is near enough (a third of the
// word may be wrong), or a candidate the word begins; else nothing.
std::string Suggestion(const std::string& word, const std::vector<std::string>& candidates) {
    const std::string* best = nullptr;
    size_t bestDistance = std::max<size_t>(1, word.size() / 3) + 1;
    for (const auto& candidate : candidates) {
        size_t distance = Distance(word, candidate);
        if (word.size() >= 3 && Lower(candidate).starts_with(Lower(word))) distance = std::min<size_t>(distance, 1);
        if (distance < bestDistance) bestDistance = distance, best = &candidate;
    }
    return best ? "; did you mean '" + *best + "'?" : "";
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

int32_t Number(const std::string& option, const std::string& value, const std::string& command) {
    int32_t number = 0;
    const char* first = value.data();
    const char* last = value.data() + value.size();
    if (first != last && *first == '+') ++first;
    auto [end, error] = std::from_chars(first, last, number);
    if (value.empty() || error != std::errc() || end != last)
        throw UsageError(option + " takes a whole number from -2147483648 to 2147483647, not " + Quoted(value),
                         command);
    return number;
}

// The enumerator an option's value names, among the names of its enumerators in order, in
// any letter case.
template <class Choice>
Choice ChoiceNamed(const std::string& option, const std::string& value, const std::vector<std::string>& names,
                   const std::string& command) {
    const auto it = std::find(names.begin(), names.end(), Lower(value));
    if (it == names.end()) {
        std::string all;
        for (const auto& name : names) all += (all.empty() ? "" : ", ") + name;
        throw UsageError(option + " takes one of " + all + ", not " + Quoted(value) + Suggestion(value, names), command);
    }
    return static_cast<Choice>(it - names.begin());
}

// --wait: a number of seconds, whole or with a fraction, not negative.
double Seconds(const std::string& option, const std::string& value) {
    double seconds = -1;
    auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), seconds);
    if (value.empty() || error != std::errc() || end != value.data() + value.size() || !(seconds >= 0) ||
        seconds > 1e6)
        throw UsageError(option + " takes a number of seconds from 0 to 1000000, not " + Quoted(value), "import");
    return seconds;
}

// The LanguageId values of the six languages, by code in any letter case or by number.
int32_t LanguageIdOption(const std::string& value, const std::string& command) {
    if (auto id = tessaro::LanguageIdNamed(value)) return *id;
    throw UsageError("--language takes one of en, it, fr, es, de, zh or a number 1-6, not " + Quoted(value), command);
}

tessaro::ImportOptions::Mnemonics MnemonicsNamed(const std::string& value, const std::string& command) {
    using M = tessaro::ImportOptions::Mnemonics;
    const std::vector<std::string> names = {"de", "en", "auto"};
    const auto it = std::find(names.begin(), names.end(), Lower(value));
    if (it == names.end())
        throw UsageError("--mnemonics takes one of de, en, auto, not " + Quoted(value) + Suggestion(value, names), command);
    return std::array{M::German, M::English, M::Detect}[static_cast<size_t>(it - names.begin())];
}

std::vector<size_t> ColumnsNamed(const std::string& value) {
    std::vector<std::string> names(kColumns.begin(), kColumns.end());
    std::vector<size_t> columns;
    size_t start = 0;
    while (start <= value.size()) {
        size_t comma = std::min(value.find(',', start), value.size());
        std::string name = value.substr(start, comma - start);
        name.erase(0, name.find_first_not_of(' '));
        name.erase(name.find_last_not_of(' ') + 1);
        auto it = std::find_if(names.begin(), names.end(), [&](const std::string& n) { return Lower(n) == Lower(name); });
        if (it == names.end())
            throw UsageError("--columns: no column is named " + Quoted(name) + Suggestion(name, names) +
                                 " (the columns: " + [&] {
                                     std::string all;
                                     for (const auto& n : names) all += (all.empty() ? "" : ",") + n;
                                     return all;
                                 }() + ")",
                             "import");
        columns.push_back(static_cast<size_t>(it - names.begin()));
        start = comma + 1;
    }
    return columns;
}

// The options import and diff share, diff for the sides it imports: how the sources are
// read, and the output's format. Their texts until the command line is parsed.
struct ReadingValues {
    std::string deviceCode = "1", deviceId = "1", format, language, mnemonics;
};

void AddReadingOptions(CLI::App& command, ImportOptions& o, ReadingValues& values) {
    command.add_option("--device-db", o.deviceDb);
    command.add_option("--device-code", values.deviceCode);
    command.add_option("--device-id", values.deviceId);
    command.add_option("--format", values.format);
    command.add_option("--language", values.language);
    command.add_option("--codepage", o.codePage);
    command.add_option("--mnemonics", values.mnemonics);
    command.add_flag("--exact", o.exact);
}

void TakeReadingValues(const CLI::App& command, const ReadingValues& values, ImportOptions& o) {
    const std::string name = command.get_name();
    o.deviceCode = Number("--device-code", values.deviceCode, name);
    o.deviceId = Number("--device-id", values.deviceId, name);
    if (command.count("--format")) o.format = ChoiceNamed<Format>("--format", values.format, {"table", "csv", "jsonl"}, name);
    if (command.count("--language")) o.languageId = LanguageIdOption(values.language, name);
    if (command.count("--mnemonics")) o.mnemonics = MnemonicsNamed(values.mnemonics, name);
}

// Takes diff's --old and --new with the FILEs after each (up to the next option) out of
// the arguments; the rest is left for the parser.
std::vector<std::string> TakeSides(const std::vector<std::string>& arguments, DiffOptions& d) {
    std::vector<std::string> rest;
    std::vector<std::string>* side = nullptr;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--") {
            rest.insert(rest.end(), arguments.begin() + static_cast<std::ptrdiff_t>(i), arguments.end());
            break;
        }
        const std::string option = argument.substr(0, argument.find('='));
        if (option == "--old" || option == "--new") {
            side = option == "--old" ? &d.oldSide : &d.newSide;
            if (!side->empty()) throw UsageError(option + " is given more than once", "diff");
            if (option.size() < argument.size()) side->push_back(argument.substr(option.size() + 1));
            while (i + 1 < arguments.size() && (arguments[i + 1] == "-" || !arguments[i + 1].starts_with("-")))
                side->push_back(arguments[++i]);
            if (side->empty()) throw UsageError(option + " wants at least one FILE", "diff");
            d.lists = true;
            continue;
        }
        rest.push_back(argument);
    }
    return rest;
}

std::vector<std::string> LongNames(const CLI::App& command) {
    std::vector<std::string> names;
    for (const CLI::Option* option : command.get_options())
        for (const auto& name : option->get_lnames()) names.push_back("--" + name);
    return names;
}

// Checks the arguments of one command before the parser sees them, so that every
// mistake gets our wording: unknown options (with a suggestion), a missing value, an
// option given twice, a value given to a flag, a FILE where none is taken. Returns the
// arguments in the form the parser reads right ("--opt=VALUE", and "--opt" "" for an
// empty value), or nothing when the command's help is asked for.
std::optional<std::vector<std::string>> Checked(const CLI::App& command, const CLI::App& other,
                                                const std::vector<std::string>& arguments) {
    const std::string name = command.get_name();
    std::vector<std::string> checked;
    std::map<std::string, int> seen;
    bool optionsEnded = false;
    const bool takesFiles = !command.get_options([](const CLI::Option* o) { return o->get_positional(); }).empty();
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument == "-" || !argument.starts_with("-")) {
            if (!takesFiles) throw UsageError(name + " takes no FILE, but was given " + Quoted(argument), name);
            checked.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            checked.push_back(argument);
            continue;
        }
        const size_t equals = argument.starts_with("--") ? argument.find('=') : std::string::npos;
        const std::string option = argument.substr(0, equals);
        if (option == "-h" || option == "--help") return std::nullopt;
        const CLI::Option* known = command.get_option_no_throw(option);
        if (!known || known->get_positional()) {
            std::string message = "unknown option " + option + " for " + name;
            if (other.get_option_no_throw(option) && option != "--device-db")
                message += "; " + option + " goes with 'tessaro " + other.get_name() + "'";
            else
                message += Suggestion(option, LongNames(command));
            throw UsageError(message, name);
        }
        if (++seen[option] > 1) throw UsageError(option + " is given more than once", name);
        if (known->get_expected_min() == 0) {  // a flag
            if (equals != std::string::npos) throw UsageError(option + " takes no value", name);
            checked.push_back(option);
            continue;
        }
        std::string value;
        if (equals != std::string::npos) {
            value = argument.substr(equals + 1);
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            throw UsageError(option + " wants a value", name);
        }
        if (value.empty()) {
            checked.push_back(option);
            checked.push_back(value);
        } else {
            checked.push_back(option + "=" + value);
        }
    }
    return checked;
}

}  // namespace

const char* HelpText(const std::string& command) {
    if (command == "import") return kImportHelp;
    if (command == "diff") return kDiffHelp;
    if (command == "devices") return kDevicesHelp;
    return kGeneralHelp;
}

std::string VersionText() {
    return std::string("tessaro ") + kProjectVersion +
           (*kBuildCommit ? std::string(" (commit ") + kBuildCommit + ")" : " (not built from a git checkout)");
}

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    CLI::App app("tessaro", "tessaro");
    app.set_help_flag();
    app.require_subcommand(0, 1);

    ImportOptions& o = line.import;
    ReadingValues reading;
    std::string columns, lines, wait;
    CLI::App* import = app.add_subcommand("import");
    import->set_help_flag();
    AddReadingOptions(*import, o, reading);
    import->add_option("--component-dir", o.componentDir);
    import->add_option("--messages", o.messages);
    import->add_option("--device-name", o.deviceName);
    import->add_option("--columns", columns);
    import->add_option("--lines", lines);
    import->add_option("--summary", o.summary);
    import->add_option("--wait", wait);
    import->add_option("--report", o.report);
    import->add_option("FILE", o.files);

    DiffOptions& d = line.diff;
    ReadingValues diffReading;
    bool noRenames = false, ignoreComments = false;
    std::vector<std::string> sides;
    CLI::App* diff = app.add_subcommand("diff");
    diff->set_help_flag();
    AddReadingOptions(*diff, d.import, diffReading);
    diff->add_option("--summary", d.summary);
    diff->add_option("--report", d.report);
    diff->add_flag("--no-renames", noRenames);
    diff->add_flag("--ignore-comments", ignoreComments);
    diff->add_option("FILE", sides);

    CLI::App* devices = app.add_subcommand("devices");
    devices->set_help_flag();
    devices->add_option("--device-db", line.devices.deviceDb);
    devices->add_option("--export-sqlite", line.devices.exportSqlite);
    devices->add_flag("--force", line.devices.force);

    const std::vector<std::string> commands = {"import", "diff", "devices", "help"};
    std::vector<std::string> rest;
    if (!arguments.empty()) rest.assign(arguments.begin() + 1, arguments.end());
    if (rest.empty()) throw UsageError("a command is wanted: import, diff or devices");
    const std::string first = rest.front();
    if (first == "-h" || first == "--help") return line;
    if (first == "--version") {
        if (rest.size() > 1) throw UsageError("--version takes nothing after it");
        line.command = CommandLine::Command::Version;
        return line;
    }
    if (first == "help") {
        if (rest.size() > 2) throw UsageError("help takes one COMMAND");
        line.helpTopic = rest.size() == 2 ? rest[1] : "";
        if (!line.helpTopic.empty() && line.helpTopic != "import" && line.helpTopic != "diff" &&
            line.helpTopic != "devices")
            throw UsageError("no command is named " + Quoted(line.helpTopic) +
                             Suggestion(line.helpTopic, {"import", "diff", "devices"}));
        return line;
    }
    if (first.starts_with("-"))
        throw UsageError("unknown option " + first + Suggestion(first, {"--help", "--version"}) +
                         " (a command comes first: import, diff or devices)");
    CLI::App* command = first == "import" ? import : first == "diff" ? diff : first == "devices" ? devices : nullptr;
    if (!command) throw UsageError("unknown command " + Quoted(first) + Suggestion(first, commands));
    std::vector<std::string> commandArguments(rest.begin() + 1, rest.end());
    if (command == diff) commandArguments = TakeSides(commandArguments, d);
    auto checked = Checked(*command, command == import ? *devices : *import, commandArguments);
    if (!checked) {
        line.helpTopic = first;
        return line;
    }
    checked->insert(checked->begin(), first);
    std::reverse(checked->begin(), checked->end());  // CLI11 takes its arguments last first
    try {
        app.parse(*checked);
    } catch (const CLI::ParseError& error) {
        throw UsageError(error.what(), first);  // not reached for the lines checked above
    }
    if (command == diff) {
        TakeReadingValues(*diff, diffReading, d.import);
        d.renames = !noRenames;
        d.comments = !ignoreComments;
        if (d.report && d.report->empty()) throw UsageError("--report wants a FILE to write the page to", "diff");
        if (d.lists && !sides.empty())
            throw UsageError("diff takes OLD NEW or --old and --new, not both (" + Quoted(sides.front()) + ")", "diff");
        if (d.lists && (d.oldSide.empty() || d.newSide.empty()))
            throw UsageError(std::string(d.oldSide.empty() ? "--new" : "--old") + " wants " +
                                 (d.oldSide.empty() ? "--old" : "--new") + " beside it",
                             "diff");
        if (!d.lists) {
            if (sides.size() != 2)
                throw UsageError("diff wants OLD and NEW, but was given " + Counted(sides.size(), "FILE"), "diff");
            d.oldSide = {sides[0]};
            d.newSide = {sides[1]};
        }
        line.command = CommandLine::Command::Diff;
    } else if (command == import) {
        TakeReadingValues(*import, reading, o);
        if (import->count("--columns")) o.columns = ColumnsNamed(columns);
        if (import->count("--lines"))
            o.lines = ChoiceNamed<Lines>("--lines", lines, {"imported", "rejected", "all"}, "import");
        if (import->count("--wait")) o.waitSeconds = Seconds("--wait", wait);
        if (o.files.empty()) throw UsageError("import wants at least one FILE", "import");
        if (o.report && o.report->empty()) throw UsageError("--report wants a FILE to write the page to", "import");
        if (o.componentDir && o.deviceDb)
            throw UsageError("--device-db and --component-dir exclude each other: the component's layout has "
                             "its own device database",
                             "import");
        if (o.componentDir && o.messages)
            throw UsageError("--messages and --component-dir exclude each other: the component's layout has "
                             "its own merged message file",
                             "import");
        line.command = CommandLine::Command::Import;
    } else {
        if (line.devices.force && !line.devices.exportSqlite)
            throw UsageError("--force goes with --export-sqlite", "devices");
        line.command = CommandLine::Command::Devices;
    }
    return line;
}

tessaro::ImportOptions LibraryOptions(const ImportOptions& options) {
    tessaro::ImportOptions library = options.exact ? tessaro::ImportOptions() : tessaro::ImportOptions::AsFound();
    if (options.mnemonics) library.Mnemonic = *options.mnemonics;
    library.OtherSymbolFormats = true;
    return library;
}

}  // namespace tessaro::cli
