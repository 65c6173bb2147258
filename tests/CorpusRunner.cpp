// The corpus of example imports (tests/corpus/README.md): every case imported through one
// host and compared with its expected files; a difference names the case, the host and
// the first differing line. Through the library, every case's account is also checked
// against its sources and records.
//   tessaro_corpus library|cli CORPUS [CASE...]   (CTest runs it once per case and host)
//   tessaro_corpus --update CORPUS [CASE...]   rewrites the expected files from the library
// A case of `command = diff` compares two imports through the command line only.
#include "TestSupport.h"

#include "Layout.h"
#include "Options.h"
#include "Output.h"
#include "platform/Text.h"

#include "driver/SourceKind.h"
#include "platform/Text.h"

#include <tessaro/CodePage.h>
#include <tessaro/Platform.h>
#include <tessaro/VariableDriver.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <iostream>
#include <map>
#include <regex>
#include <sstream>

namespace fs = std::filesystem;
using namespace tessaro;
using namespace tessaro::test;

namespace {

using Files = std::vector<std::pair<std::string, std::string>>;  // name, bytes

struct Case {
    fs::path dir;
    std::string name, skip;              // skip: why the case cannot run here
    std::vector<std::string> arguments;  // the command line's import options and files
    std::vector<fs::path> sources;       // where each file is read from; empty: named but missing
    std::string codePage = "WINDOWS-1252";
    fs::path deviceDb;
    bool imported = true;
    std::string command = "import";
    std::vector<std::string> diffArguments;  // with command = diff: after "tessaro diff"
    std::string status;                      // with command = diff: the exit status expected
};

struct Result {
    bool imported = false;
    int status = 0;
    std::string records, messages;
    Files partials;
    std::string account;                 // the library's account as JSON lines, the command line's columns of it
    std::vector<std::string> accountFaults;  // the account against the sources and the records
    bool accountColumnsOnly = false;         // account holds the command line's columns
};

// The account's columns the command line writes.
const std::vector<std::string> kAccountColumns = {"File", "Line", "Name", "Address", "Comment", "Fate", "Reason"};

// The account as JSON lines, every field of every entry (texts in UTF-8).
std::string AccountJsonl(const ImportAccount& account) {
    std::string out;
    for (const AccountEntry& e : account.Entries) {
        nlohmann::ordered_json reports = nlohmann::ordered_json::array();
        for (const LineReport& r : account.ReportsOf(e)) {
            nlohmann::ordered_json report = {{"Kind", r.Kind}};
            if (!r.OldType.empty() || !r.NewType.empty()) {
                report["OldType"] = ToUtf8(r.OldType);
                report["NewType"] = ToUtf8(r.NewType);
            }
            reports.push_back(report);
        }
        const nlohmann::ordered_json entry = {
            {"File", std::string(e.File)}, {"Line", e.Line},
            {"Name", ToUtf8(e.Name)},   {"OperandArea", ToUtf8(e.OperandArea)},
            {"Address", ToUtf8(e.Address)}, {"DataType", ToUtf8(e.DataType)},
            {"Comment", ToUtf8(e.Comment)}, {"AbsoluteAddress", ToUtf8(e.AbsoluteAddress)},
            {"Fate", FateName(e.Fate)}, {"Reason", ToUtf8(e.Reason)},
            {"Reports", reports},       {"Key", ToUtf8(e.Key)},
        };
        out += entry.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
    }
    return out;
}

// The account's lines as the command line lists them (--lines all, kAccountColumns), from
// the JSON lines of AccountJsonl.
std::string AccountColumnsOf(const std::string& accountJsonl) {
    std::istringstream lines(accountJsonl);
    std::string out;
    for (std::string line; std::getline(lines, line);) {
        const auto e = nlohmann::ordered_json::parse(line);
        const nlohmann::ordered_json row = {{"File", e["File"]}, {"Line", e["Line"]},       {"Name", e["Name"]},
                                            {"Address", e["AbsoluteAddress"]}, {"Comment", e["Comment"]},
                                            {"Fate", e["Fate"]}, {"Reason", e["Reason"]}};
        out += row.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
    }
    return out;
}

// The lines of a file as the import reads them: up to CR or CR LF (and a lone LF where
// the file's reading says so); no empty line after a last terminator.
std::vector<std::string> SourceLines(const std::string& bytes, bool loneLineFeeds) {
    std::vector<std::string> lines;
    std::string line;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\r' || (c == '\n' && loneLineFeeds)) {
            lines.push_back(line);
            line.clear();
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        } else {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

// The numbers of the lines that hold a symbol or a value: in a symbol table, something in
// columns 5 to 28 (ASC), a row whose first field is not blank (SDF), the BOT line of a row
// whose first cell is not blank (DIF); in a data block, a line with ":=" between BEGIN and
// END_DATA_BLOCK (but for one commented out with "//" where the reading passes such lines over).
std::vector<int32_t> AccountableLines(const std::string& bytes, std::string_view format, const FileReading* reading,
                                      bool commentsPassed) {
    std::vector<int32_t> numbers;
    enum { Outside, Declarations, Values } state = Outside;
    int32_t number = 0;
    const std::vector<std::string> lines = SourceLines(bytes, reading && reading->LoneLineFeeds);
    // The next line after the index at that is not blank, trimmed, and its index.
    auto nextText = [&](size_t& at) {
        while (++at < lines.size())
            if (!TrimBlanks(lines[at]).empty()) return TrimBlanks(lines[at]);
        return std::string_view();
    };
    for (size_t at = 0; at < lines.size(); ++at) {
        std::string line = lines[at];
        ++number;
        if (format == "ASC") {
            if (reading && reading->TabsAsBlanks) {
                for (size_t tab; (tab = line.find('\t')) != std::string::npos;)
                    line.replace(tab, 1, 8 - tab % 8, ' ');
            }
            if (!TrimBlanks(Columns(line, 5, 24)).empty()) numbers.push_back(number);
        } else if (format == "SDF") {
            const std::string_view row = TrimBlanks(line);
            const size_t close = row.find('"', 1);
            // The first field: up to its closing quote, or a name that begins with a doubled quote.
            if (row.starts_with('"') && close != std::string_view::npos &&
                (!TrimBlanks(row.substr(1, close - 1)).empty() || row.substr(close, 2) == "\"\""))
                numbers.push_back(number);
        } else if (format == "DIF") {
            size_t before = at;
            while (before > 0 && TrimBlanks(lines[before - 1]).empty()) --before;
            if (TrimBlanks(line) != "BOT" || before == 0 || !TrimBlanks(lines[before - 1]).starts_with("-1,")) continue;
            size_t cell = at;
            const std::string_view kind = nextText(cell);
            const std::string_view value = nextText(cell);
            // The first cell: a number cell's number, a text cell's text without its quotes.
            std::string_view text;
            if (kind.starts_with("0,"))
                text = kind.substr(2);
            else if (kind.starts_with("1,") && value.size() >= 2)
                text = value.substr(1, value.size() - 2);
            if (!TrimBlanks(text).empty()) numbers.push_back(number);
        } else if (state == Outside && line.starts_with("DATA_BLOCK")) {
            state = Declarations;
        } else if (state == Declarations && line == "BEGIN") {
            state = Values;
        } else if (state == Values && line == "END_DATA_BLOCK") {
            state = Outside;
        } else if (state == Values && line.find(":=") != std::string::npos) {
            const size_t text = line.find_first_not_of(" \t");
            if (!(commentsPassed && line.compare(text, 2, "//") == 0))
                numbers.push_back(number);
        }
    }
    return numbers;
}

// The account against the sources and the records: one entry per line with a symbol or a
// value, file by file in the order of the passes, each file's lines in order, up to a
// file error that ends a file's reading (its entry the file's last, line 0 when the file
// was never read); and the imported entries, in order, exactly the variables. An import that
// stopped has the lines up to where it stopped.
std::vector<std::string> CheckAccount(const VariableDriver& driver, const std::vector<std::string>& sourceIds,
                                      bool imported) {
    std::vector<std::string> faults;
    if (!driver.Account) return {"no account was kept"};
    const std::vector<AccountEntry>& entries = driver.Account->Entries;
    auto where = [&](size_t k) {
        return k < entries.size() ? std::string(entries[k].File) + " line " + std::to_string(entries[k].Line) + " (" +
                                        std::string(FateName(entries[k].Fate)) + ")"
                                  : std::string("the end of the account");
    };
    size_t k = 0;
    for (const bool symbolTables : {true, false}) {
        for (const std::string& id : sourceIds) {
            const std::string_view format = IsSourceOfKind(id, kDataBlockSourceExtension)
                                                ? "AWL"
                                                : SymbolTableFormatOf(id, driver.Options.OtherSymbolFormats);
            if (format.empty() || (format == "AWL") == symbolTables) continue;
            const FileReading* reading = nullptr;
            for (const FileReading& r : driver.Readings)
                if (r.SourceId == id) reading = &r;
            const std::vector<int32_t> lines =
                fs::exists(id) ? AccountableLines(ReadFile(id), format, reading,
                                                  driver.Options.CommentedValue ==
                                                      ImportOptions::CommentedValues::PassedOver)
                               : std::vector<int32_t>();
            auto fileError = [&](int32_t before) {
                return k < entries.size() && entries[k].File == id && entries[k].Fate == LineFate::FileError &&
                       entries[k].Line < before;
            };
            bool ended = false;
            for (int32_t line : lines) {
                if (fileError(line)) break;
                if (k >= entries.size() && !imported) break;
                if (k >= entries.size() || entries[k].File != id || entries[k].Line != line) {
                    faults.push_back("the account has no entry for " + id + " line " + std::to_string(line) +
                                     "; next: " + where(k));
                    return faults;
                }
                ended = entries[k++].Fate == LineFate::FileError;
                if (ended) break;
            }
            if (!ended && fileError(std::numeric_limits<int32_t>::max())) ++k;
        }
    }
    if (k != entries.size()) faults.push_back("the account has an entry for no symbol or value line: " + where(k));
    size_t next = 0, position = 0;
    driver.Variables->ForEach([&](const VariablePtr& variable) {
        ++position;
        while (next < entries.size() && entries[next].Fate != LineFate::Imported) ++next;
        if (next == entries.size()) {
            faults.push_back("record " + std::to_string(position) + " has no imported entry");
            return false;
        }
        VariablePtr keyed;
        try {
            keyed = driver.Variables->Item(entries[next].Key);
        } catch (const std::exception&) {
        }
        if (keyed != variable) {
            faults.push_back("record " + std::to_string(position) + " is not the variable of " + where(next));
            return false;
        }
        ++next;
        return true;
    });
    for (; faults.empty() && next < entries.size(); ++next)
        if (entries[next].Fate == LineFate::Imported) faults.push_back("an imported entry that is no record: " + where(next));
    return faults;
}

// A file named by a case: "shared/..." from ../shared beside the project (absent from a
// user's clone), else from the case.
fs::path CaseFile(const fs::path& dir, const std::string& name, std::string& skip) {
    if (!name.starts_with("shared/")) return dir / name;
    if (!fs::is_directory(TESSARO_SHARED_DIR)) skip = "no ../shared beside the project";
    return fs::path(TESSARO_SHARED_DIR) / name.substr(7);
}

// A diff case: `old` and `new` each one argument (a folder, a saved import, a source) or
// several sources (given as --old and --new), paths from the case's folder; `options`
// more of diff's options; `status` the exit status expected (default 1). Run in the
// case's folder with --format jsonl, the case's device, code page and reading.
void ReadDiffCase(const fs::path& dir, std::map<std::string, std::string, std::less<>>& keys, const std::vector<std::string>& reading,
                  Case& c) {
    c.command = "diff";
    c.status = keys["status"];
    c.diffArguments = {"--format", "jsonl", "--device-code", keys["device-code"], "--device-id", keys["device-id"],
                       "--device-db", c.deviceDb.string()};
    c.diffArguments.insert(c.diffArguments.end(), reading.begin(), reading.end());
    std::istringstream options(keys["options"]);
    for (std::string option; options >> option;) c.diffArguments.push_back(option);
    for (const char* side : {"old", "new"}) {
        std::vector<std::string> files;
        std::istringstream names(keys[side]);
        for (std::string name; names >> name;)
            files.push_back(name.starts_with("shared/") ? CaseFile(dir, name, c.skip).string() : name);
        if (files.empty()) c.skip = std::string("case.txt names no ") + side + " side";
        if (files.size() > 1) c.diffArguments.push_back(std::string("--") + side);
        c.diffArguments.insert(c.diffArguments.end(), files.begin(), files.end());
    }
    if (c.deviceDb.extension() == ".sql") c.skip = "a diff case takes a device database file, not SQL text";
}

Case ReadCase(const fs::path& dir) {
    Case c;
    c.dir = dir;
    c.name = dir.filename().string();
    std::map<std::string, std::string, std::less<>> keys = {{"device-code", "1"}, {"device-id", "1"}, {"status", "1"}};
    const std::string settings = ReadFile(dir / "case.txt");
    // A case starts by saying what it shows: "# " and a sentence.
    if (!settings.starts_with("# ") || TrimBlanks(settings.substr(2, settings.find('\n') - 2)).empty())
        throw std::runtime_error("case.txt does not start with \"# \" and a sentence on what the case shows");
    // "key = value", both trimmed; a line starting with "#" is a comment.
    std::istringstream text(settings);
    for (std::string line; std::getline(text, line);) {
        const std::string_view setting = TrimBlanks(line);
        const size_t equals = setting.find('=');
        if (!setting.starts_with('#') && equals != 0 && equals != std::string_view::npos)
            keys[std::string(TrimBlanks(setting.substr(0, equals)))] = TrimBlanks(setting.substr(equals + 1));
    }
    c.arguments = {"tessaro", "import", "--format", "jsonl", "--device-code", keys["device-code"], "--device-id",
                   keys["device-id"], "--device-name", keys["device-name"]};
    if (!keys["language"].empty()) c.arguments.insert(c.arguments.end(), {"--language", keys["language"]});
    if (!keys["codepage"].empty()) c.codePage = keys["codepage"];
    // The reading, for every command: the component's own (exact) unless the case asks for
    // the command line's default (auto); every host takes it from these arguments
    // (cli::LibraryOptions).
    std::vector<std::string> reading;
    if (keys["reading"].empty() || keys["reading"] == "exact")
        reading.push_back("--exact");
    else if (keys["reading"] != "auto")
        c.skip = "reading = " + keys["reading"] + " is neither exact nor auto";
    if (!keys["mnemonics"].empty()) reading.insert(reading.end(), {"--mnemonics", keys["mnemonics"]});
    c.arguments.insert(c.arguments.end(), reading.begin(), reading.end());
    c.imported = keys["imported"] != "no";
    c.deviceDb = keys["device-db"].empty() || keys["device-db"] == "sample" ? fs::path(TESSARO_SAMPLE_DB)
                                                                            : CaseFile(dir, keys["device-db"], c.skip);
    std::istringstream files(keys["files"]);
    for (std::string name; files >> name;) {
        fs::path source = CaseFile(dir, name, c.skip);
        c.arguments.push_back(source.filename().string());
        c.sources.push_back(fs::exists(source) || name.starts_with("shared/") ? source : fs::path());
    }
    if (keys["command"] == "diff")
        ReadDiffCase(dir, keys, reading, c);
    else if (c.sources.empty())
        c.skip = "case.txt names no files";
    return c;
}

// The files of a folder named prefix, anything, ".Msg", by their names without the prefix.
Files MsgFiles(const fs::path& dir, const std::string& prefix) {
    Files files;
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with(prefix) && name.ends_with(".Msg")) files.emplace_back(name.substr(prefix.size()), ReadFile(entry));
    }
    std::sort(files.begin(), files.end());
    return files;
}

// One import through the library or the command line in the component's layout
// (tests/TestSupport.h): the sources copied in by their names, the case's device database
// (built from SQL text where it is that).
Result Import(const Case& c, bool byCommandLine) {
    ComponentLayout layout;
    for (const auto& source : c.sources)
        if (!source.empty()) fs::copy_file(source, layout.root.path() / source.filename(), fs::copy_options::overwrite_existing);
    if (c.deviceDb.extension() == ".sql")
        WriteSqliteDatabase(layout.deviceDb, ReadFile(c.deviceDb));
    else
        fs::copy_file(c.deviceDb, layout.deviceDb, fs::copy_options::overwrite_existing);
    Result result;
    if (byCommandLine) {
        std::vector<std::string> arguments(c.arguments.begin() + 1, c.arguments.end());
        arguments.insert(arguments.begin() + 1, {"--component-dir", layout.component});
        CliRun run = RunCli(arguments, "cd '" + layout.root.path().string() + "' && TESSARO_CODEPAGE=" + c.codePage);
        result.status = run.status;
        result.records = run.out;
        result.imported = run.status == 0 || (run.status == 1 && (run.err.find("tessaro: cannot read") != std::string::npos ||
                                                                  run.err.find("tessaro: a file error ended") != std::string::npos));
        if (fs::exists(c.dir / "expected.account.jsonl")) {
            std::string columns;
            for (const auto& column : kAccountColumns) columns += (columns.empty() ? "" : ",") + column;
            arguments.insert(arguments.begin() + 1, {"--lines", "all", "--columns", columns});
            // A second import for the account's columns; the first one's messages are compared.
            const std::string first = layout.Merged();
            result.account = RunCli(arguments, "cd '" + layout.root.path().string() + "' && TESSARO_CODEPAGE=" + c.codePage).out;
            result.accountColumnsOnly = true;
            fs::remove(layout.merged);
            if (!first.empty()) WriteFile(layout.merged, first);
        }
    } else {
        SetCodePage(c.codePage);
        const cli::ImportOptions options = cli::ParseCommandLine(c.arguments).import;
        const fs::path before = fs::current_path();
        fs::current_path(layout.root.path());
        {
            cli::LanguageChoice language(options.languageId, layout.component);
            VariableDriver driver;
            driver.Options = cli::LibraryOptions(options);
            driver.Options.Account = true;
            driver.DeviceCodeId = options.deviceCode;
            driver.DeviceId = options.deviceId;
            driver.DeviceName = FromUtf8(options.deviceName);
            auto sources = Sources(options.files);
            result.imported = driver.GetVariables(sources);
            std::ostringstream records;
            cli::WriteVariables(records, *driver.Variables, cli::Format::Jsonl, cli::OutputShape{});
            result.records = records.str();
            if (driver.Account) result.account = AccountJsonl(*driver.Account);
            result.accountFaults = CheckAccount(driver, options.files, result.imported);
        }
        fs::current_path(before);
    }
    result.messages = layout.Merged();
    result.partials = MsgFiles(layout.component, "");
    return result;
}

// The merged file's header line "--<device name>--MM-DD-YY HH.MM.SS" ends in the time of
// the import: in every line that starts "--" and ends in such a time, the digits are
// masked, so that files written at different times compare equal.
std::string Masked(std::string messages) {
    constexpr std::string_view kMask = "MM-DD-YY HH.MM.SS";  // a letter stands for a digit
    auto IsTime = [&](std::string_view text) {
        for (size_t i = 0; i < kMask.size(); ++i)
            if (std::isupper(static_cast<unsigned char>(kMask[i])) ? !std::isdigit(static_cast<unsigned char>(text[i])) : text[i] != kMask[i])
                return false;
        return true;
    };
    for (size_t from = 0; from < messages.size();) {
        const size_t end = std::min(messages.find_first_of("\r\n", from), messages.size());
        const std::string_view line(messages.data() + from, end - from);
        if (line.size() >= 4 + kMask.size() && line.starts_with("--") && IsTime(line.substr(line.size() - kMask.size())) &&
            line.substr(line.size() - kMask.size() - 2, 2) == "--")
            messages.replace(end - kMask.size(), kMask.size(), kMask);
        from = end + 1;
    }
    return messages;
}

// Empty when equal, else the first differing line of the two, CR shown as \r.
std::string FirstDifference(const std::string& expected, const std::string& got) {
    if (expected == got) return "";
    auto Visible = [](const std::string& line) { return std::regex_replace(line, std::regex("\r"), "\\r"); };
    std::istringstream e(expected), g(got);
    std::string el, gl;
    for (int line = 1;; ++line) {
        bool moreE = static_cast<bool>(std::getline(e, el)), moreG = static_cast<bool>(std::getline(g, gl));
        if (!moreE && !moreG) return "line end at the end of the file differs";
        if (!moreE || !moreG || el != gl)
            return "line " + std::to_string(line) + "\n    expected: " + (moreE ? Visible(el) : "(end of file)") +
                   "\n    got:      " + (moreG ? Visible(gl) : "(end of file)");
    }
}

// The failures of one case through one host.
std::vector<std::string> Check(const fs::path& dir, const Case& c, const Result& r) {
    std::vector<std::string> failures;
    auto compare = [&](const std::string& expected, const std::string& got) {
        if (auto difference = FirstDifference(fs::exists(dir / expected) ? ReadFile(dir / expected) : "", got); !difference.empty())
            failures.push_back(expected + " differs at " + difference);
    };
    if (r.imported != c.imported) failures.push_back(r.imported ? "the import succeeded" : "the import failed");
    if (r.status > 1) failures.push_back("the command line ended with status " + std::to_string(r.status));
    compare("expected.jsonl", r.records);
    compare("expected.msg", Masked(r.messages));
    if (fs::exists(dir / "expected.account.jsonl")) {
        const std::string expected = ReadFile(dir / "expected.account.jsonl");
        if (auto difference = FirstDifference(r.accountColumnsOnly ? AccountColumnsOf(expected) : expected, r.account);
            !difference.empty())
            failures.push_back("expected.account.jsonl differs at " + difference);
    }
    for (const auto& fault : r.accountFaults) failures.push_back("account: " + fault);
    if (MsgFiles(dir, "expected.") != r.partials) {
        std::string left;
        for (const auto& [name, bytes] : r.partials) left += " " + name;
        failures.push_back("the partial files left differ from the expected.N.Msg files:" +
                           (left.empty() ? std::string(" none left") : left));
    }
    return failures;
}

// A diff case through the command line: its output and standard error against
// expected.diff.jsonl and expected.diff.err, its status against the case's; with update,
// the expected files rewritten instead.
std::vector<std::string> RunDiffCase(const fs::path& dir, const Case& c, bool update) {
    std::vector<std::string> arguments = {"diff"};
    arguments.insert(arguments.end(), c.diffArguments.begin(), c.diffArguments.end());
    const CliRun run = RunCli(arguments, "cd '" + dir.string() + "' && TESSARO_CODEPAGE=" + c.codePage);
    if (update) {
        WriteFile(dir / "expected.diff.jsonl", run.out);
        WriteFile(dir / "expected.diff.err", run.err);
        std::cout << "UPDATED " << c.name << ": status " << run.status << "\n";
        return {};
    }
    std::vector<std::string> failures;
    if (std::to_string(run.status) != c.status)
        failures.push_back("the status is " + std::to_string(run.status) + ", not " + c.status + ": " + run.err);
    for (auto [file, got] : {std::pair{"expected.diff.jsonl", &run.out}, {"expected.diff.err", &run.err}})
        if (auto difference = FirstDifference(fs::exists(dir / file) ? ReadFile(dir / file) : "", *got); !difference.empty())
            failures.push_back(std::string(file) + " differs at " + difference);
    return failures;
}

// The account is rewritten where the case has one: an empty expected.account.jsonl asks
// for it.
void Update(const fs::path& dir, const Result& r) {
    WriteFile(dir / "expected.jsonl", r.records);
    if (fs::exists(dir / "expected.account.jsonl")) WriteFile(dir / "expected.account.jsonl", r.account);
    if (r.messages.empty())
        fs::remove(dir / "expected.msg");
    else
        WriteFile(dir / "expected.msg", Masked(r.messages));
    for (const auto& [name, bytes] : MsgFiles(dir, "expected.")) fs::remove(dir / ("expected." + name));
    for (const auto& [name, bytes] : r.partials) WriteFile(dir / ("expected." + name), bytes);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() < 2 || (args[0] != "library" && args[0] != "cli" && args[0] != "--update")) {
        std::cerr << "usage: tessaro_corpus library|cli|--update CORPUS [CASE...]\n";
        return 2;
    }
    const std::string host = args[0];
    std::vector<fs::path> dirs;
    for (size_t i = 2; i < args.size(); ++i) dirs.push_back(fs::path(args[1]) / args[i]);
    if (dirs.empty()) {
        for (const auto& entry : fs::directory_iterator(args[1]))
            if (fs::exists(entry.path() / "case.txt")) dirs.push_back(entry.path());
        std::sort(dirs.begin(), dirs.end());
    }
    int passed = 0, failed = 0, skipped = 0;
    for (const auto& dir : dirs) {
        Case c;
        c.name = dir.filename().string();
        std::vector<std::string> failures;
        try {
            c = ReadCase(dir);
            if (!c.skip.empty()) {
                std::cout << "SKIP " << c.name << ": " << c.skip << "\n";
                ++skipped;
                continue;
            }
            if (c.command == "diff" && host == "library") {
                std::cout << "SKIP " << c.name << ": a diff case runs through the command line\n";
                ++skipped;
                continue;
            }
            if (c.command == "diff") {
                failures = RunDiffCase(dir, c, host == "--update");
            } else {
                Result r = Import(c, host == "cli");
                if (host == "--update") {
                    Update(dir, r);
                    c.imported = r.imported;
                }
                failures = Check(dir, c, r);
            }
        } catch (const std::exception& error) {
            failures.push_back(std::string("cannot run: ") + error.what());
        }
        for (const auto& failure : failures) std::cout << "FAIL " << c.name << " [" << host << "] " << failure << "\n";
        ++(failures.empty() ? passed : failed);
    }
    std::cout << passed << " passed, " << failed << " failed, " << skipped << " skipped\n";
    // 77 when nothing ran because every case was skipped (CTest's SKIP_RETURN_CODE).
    return failed ? 1 : passed == 0 && skipped > 0 ? 77 : 0;
}
