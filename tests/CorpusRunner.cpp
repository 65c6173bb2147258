// The corpus of example imports (tests/corpus/README.md): every case imported through one
// host and compared with its expected files; a difference names the case, the host and
// the first differing line.
//   tessaro_corpus library|cli CORPUS [CASE...]
//   tessaro_corpus --update CORPUS [CASE...]   rewrites the expected files from the library
#include "TestSupport.h"

#include "Layout.h"
#include "Options.h"
#include "Output.h"

#include <tessaro/CodePage.h>
#include <tessaro/Platform.h>
#include <tessaro/VariableDriver.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <map>
#include <cctype>
#include <sstream>

namespace fs = std::filesystem;
using namespace tessaro;
using namespace tessaro::test;

namespace {

struct Case {
    std::string name;
    std::vector<std::string> arguments;  // the command line's import options and files
    std::vector<fs::path> sources;       // where each file is read from; empty: named but missing
    std::string codePage = "WINDOWS-1252";
    fs::path deviceDb;
    bool imported = true;
    std::string skip;  // why the case cannot run here
};

struct Result {
    bool imported = false;
    int status = 0;
    std::string records, messages;
    std::vector<std::pair<std::string, std::string>> partials;  // name, bytes
};

std::string Trim(const std::string& text) {
    size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// A file named by a case: "shared/..." from ../shared beside the project, else from the case.
fs::path CaseFile(const fs::path& dir, const std::string& name, std::string& skip) {
    if (!name.starts_with("shared/")) return dir / name;
    if (SharedDir().empty()) skip = "no ../shared beside the project";
    return SharedDir() / name.substr(7);
}

Case ReadCase(const fs::path& dir) {
    Case c;
    c.name = dir.filename().string();
    std::map<std::string, std::string> keys = {{"device-code", "1"}, {"device-id", "1"}};
    std::istringstream text(ReadFile(dir / "case.txt"));
    for (std::string line; std::getline(text, line);) {
        size_t equals = line.find('=');
        if (Trim(line).empty() || Trim(line)[0] == '#' || equals == std::string::npos) continue;
        keys[Trim(line.substr(0, equals))] = Trim(line.substr(equals + 1));
    }
    c.arguments = {"tessaro", "import", "--format", "jsonl", "--device-code", keys["device-code"], "--device-id",
                   keys["device-id"], "--device-name", keys["device-name"]};
    if (!keys["language"].empty()) c.arguments.insert(c.arguments.end(), {"--language", keys["language"]});
    if (!keys["codepage"].empty()) c.codePage = keys["codepage"];
    c.imported = keys["imported"] != "no";
    c.deviceDb = keys["device-db"].empty() || keys["device-db"] == "sample" ? fs::path(TESSARO_SAMPLE_DB)
                                                                            : CaseFile(dir, keys["device-db"], c.skip);
    std::istringstream files(keys["files"]);
    for (std::string name; files >> name;) {
        fs::path source = CaseFile(dir, name, c.skip);
        c.arguments.push_back(source.filename().string());
        c.sources.push_back(fs::exists(source) || name.starts_with("shared/") ? source : fs::path());
    }
    if (c.sources.empty()) c.skip = "case.txt names no files";
    return c;
}

// The work folder of one import: the sources by their names, the device database two
// levels above the component's folder app/bin (built from SQL text where it is that).
void Prepare(const Case& c, const ComponentLayout& layout) {
    for (const auto& source : c.sources)
        if (!source.empty()) fs::copy_file(source, layout.root.path() / source.filename(), fs::copy_options::overwrite_existing);
    if (c.deviceDb.extension() == ".sql")
        WriteSqliteDatabase(layout.deviceDb, ReadFile(c.deviceDb));
    else
        fs::copy_file(c.deviceDb, layout.deviceDb, fs::copy_options::overwrite_existing);
}

void Collect(const ComponentLayout& layout, Result& result) {
    if (fs::exists(layout.merged)) result.messages = ReadFile(layout.merged);
    for (const auto& entry : fs::directory_iterator(layout.component))
        if (entry.path().extension() == ".Msg")
            result.partials.emplace_back(entry.path().filename().string(), ReadFile(entry.path()));
    std::sort(result.partials.begin(), result.partials.end());
}

Result ImportByLibrary(const Case& c) {
    ComponentLayout layout("");
    Prepare(c, layout);
    SetCodePage(c.codePage);
    const cli::ImportOptions options = cli::ParseCommandLine(c.arguments).import;
    const fs::path before = fs::current_path();
    fs::current_path(layout.root.path());
    Result result;
    {
        cli::LanguageChoice language(options.languageId, layout.component);
        VariableDriver driver;
        driver.DeviceCodeId = options.deviceCode;
        driver.DeviceId = options.deviceId;
        driver.DeviceName = FromUtf8(options.deviceName);
        DataSourceCollection sources;
        for (const auto& file : options.files) sources.Add(std::make_shared<DataSource>(DataSource{file}));
        result.imported = driver.GetVariables(sources);
        std::ostringstream records;
        cli::WriteVariables(records, *driver.Variables, cli::Format::Jsonl, cli::OutputShape{});
        result.records = records.str();
    }
    fs::current_path(before);
    Collect(layout, result);
    return result;
}

Result ImportByCommandLine(const Case& c) {
    ComponentLayout layout("");
    Prepare(c, layout);
    std::vector<std::string> arguments(c.arguments.begin() + 1, c.arguments.end());
    arguments.insert(arguments.begin() + 1, {"--component-dir", layout.component});
    CliRun run = RunCli(arguments, "cd '" + layout.root.path().string() + "' && TESSARO_CODEPAGE=" + c.codePage);
    Result result;
    result.status = run.status;
    result.records = run.out;
    result.imported = run.status == 0 || (run.status == 1 && run.err.find("tessaro: cannot read") != std::string::npos);
    Collect(layout, result);
    return result;
}

// The merged file's header line "--<device name>--MM-DD-YY HH.MM.SS" ends in the time of
// the import: in every line that starts "--" and ends in such a time, the digits are
// masked, so that files written at different times compare equal.
std::string Masked(std::string messages) {
    const std::string_view shape = "--dd-dd-dd dd.dd.dd";
    for (size_t start = 0; start < messages.size();) {
        const size_t next = messages.find('\n', start);
        size_t end = next == std::string::npos ? messages.size() : next;
        if (end > start && messages[end - 1] == '\r') --end;
        if (messages.compare(start, 2, "--") == 0 && end >= start + 2 + shape.size()) {
            const size_t at = end - shape.size();
            bool stamp = true;
            for (size_t i = 0; i < shape.size() && stamp; ++i)
                stamp = shape[i] == 'd' ? std::isdigit(static_cast<unsigned char>(messages[at + i])) != 0
                                        : messages[at + i] == shape[i];
            if (stamp) messages.replace(at + 2, shape.size() - 2, "MM-DD-YY HH.MM.SS");
        }
        if (next == std::string::npos) break;
        start = next + 1;
    }
    return messages;
}

std::string Visible(const std::string& line) {
    std::string shown;
    for (char c : line) shown += c == '\r' ? std::string("\\r") : std::string(1, c);
    return shown;
}

// Empty when equal, else the first differing line of the two.
std::string FirstDifference(const std::string& expected, const std::string& got) {
    if (expected == got) return "";
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

std::string Expected(const fs::path& file) { return fs::exists(file) ? ReadFile(file) : ""; }

// The failures of one case through one host.
std::vector<std::string> Check(const fs::path& dir, const Case& c, const Result& r) {
    std::vector<std::string> failures;
    auto compare = [&](const std::string& what, const std::string& expected, const std::string& got) {
        if (auto difference = FirstDifference(expected, got); !difference.empty())
            failures.push_back(what + " differs at " + difference);
    };
    if (r.imported != c.imported) failures.push_back(r.imported ? "the import succeeded" : "the import failed");
    if (r.status > 1) failures.push_back("the command line ended with status " + std::to_string(r.status));
    compare("expected.jsonl", Expected(dir / "expected.jsonl"), r.records);
    compare("expected.msg", Expected(dir / "expected.msg"), Masked(r.messages));
    std::vector<std::pair<std::string, std::string>> partials;
    for (const auto& entry : fs::directory_iterator(dir)) {
        std::string name = entry.path().filename().string();
        if (name.starts_with("expected.") && name.ends_with(".Msg")) partials.emplace_back(name.substr(9), ReadFile(entry));
    }
    std::sort(partials.begin(), partials.end());
    if (partials != r.partials) {
        std::string left;
        for (const auto& [name, bytes] : r.partials) left += " " + name;
        failures.push_back("the partial files left differ from the expected.N.Msg files:" +
                           (left.empty() ? std::string(" none left") : left));
    }
    return failures;
}

void Update(const fs::path& dir, const Result& r) {
    WriteFile(dir / "expected.jsonl", r.records);
    if (r.messages.empty())
        fs::remove(dir / "expected.msg");
    else
        WriteFile(dir / "expected.msg", Masked(r.messages));
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.path().filename().string().starts_with("expected.") && entry.path().extension() == ".Msg")
            fs::remove(entry.path());
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
    if (args.size() > 2) {
        for (size_t i = 2; i < args.size(); ++i) dirs.push_back(fs::path(args[1]) / args[i]);
    } else {
        for (const auto& entry : fs::directory_iterator(args[1]))
            if (fs::exists(entry.path() / "case.txt")) dirs.push_back(entry.path());
        std::sort(dirs.begin(), dirs.end());
    }
    int passed = 0, failed = 0, skipped = 0;
    for (const auto& dir : dirs) {
        Case c = ReadCase(dir);
        if (!c.skip.empty()) {
            std::cout << "SKIP " << c.name << ": " << c.skip << "\n";
            ++skipped;
            continue;
        }
        std::vector<std::string> failures;
        try {
            Result r = host == "cli" ? ImportByCommandLine(c) : ImportByLibrary(c);
            if (host == "--update") {
                Update(dir, r);
                c.imported = r.imported;
            }
            failures = Check(dir, c, r);
        } catch (const std::exception& error) {
            failures.push_back(std::string("cannot run: ") + error.what());
        }
        for (const auto& failure : failures) std::cout << "FAIL " << c.name << " [" << host << "] " << failure << "\n";
        ++(failures.empty() ? passed : failed);
    }
    std::cout << passed << " passed, " << failed << " failed, " << skipped << " skipped\n";
    return failed ? 1 : 0;
}
