// The corpus of example imports (tests/corpus/README.md): every case imported through one
// host and compared with its expected files; a difference names the case, the host and
// the first differing line.
//   tessaro_corpus library|cli CORPUS [CASE...]   (CTest runs it once per case and host)
//   tessaro_corpus --update CORPUS [CASE...]   rewrites the expected files from the library
#include "TestSupport.h"

#include "Layout.h"
#include "Options.h"
#include "Output.h"
#include "platform/Text.h"

#include <tessaro/CodePage.h>
#include <tessaro/Platform.h>
#include <tessaro/VariableDriver.h>

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
    std::string name, skip;              // skip: why the case cannot run here
    std::vector<std::string> arguments;  // the command line's import options and files
    std::vector<fs::path> sources;       // where each file is read from; empty: named but missing
    std::string codePage = "WINDOWS-1252";
    fs::path deviceDb;
    bool imported = true;
};

struct Result {
    bool imported = false;
    int status = 0;
    std::string records, messages;
    Files partials;
};

// A file named by a case: "shared/..." from ../shared beside the project (absent from a
// user's clone), else from the case.
fs::path CaseFile(const fs::path& dir, const std::string& name, std::string& skip) {
    if (!name.starts_with("shared/")) return dir / name;
    if (!fs::is_directory(TESSARO_SHARED_DIR)) skip = "no ../shared beside the project";
    return fs::path(TESSARO_SHARED_DIR) / name.substr(7);
}

Case ReadCase(const fs::path& dir) {
    Case c;
    c.name = dir.filename().string();
    std::map<std::string, std::string, std::less<>> keys = {{"device-code", "1"}, {"device-id", "1"}};
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
        result.imported = run.status == 0 || (run.status == 1 && run.err.find("tessaro: cannot read") != std::string::npos);
    } else {
        SetCodePage(c.codePage);
        const cli::ImportOptions options = cli::ParseCommandLine(c.arguments).import;
        const fs::path before = fs::current_path();
        fs::current_path(layout.root.path());
        {
            cli::LanguageChoice language(options.languageId, layout.component);
            VariableDriver driver;
            driver.DeviceCodeId = options.deviceCode;
            driver.DeviceId = options.deviceId;
            driver.DeviceName = FromUtf8(options.deviceName);
            auto sources = Sources(options.files);
            result.imported = driver.GetVariables(sources);
            std::ostringstream records;
            cli::WriteVariables(records, *driver.Variables, cli::Format::Jsonl, cli::OutputShape{});
            result.records = records.str();
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
    if (MsgFiles(dir, "expected.") != r.partials) {
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
            Result r = Import(c, host == "cli");
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
    // 77 when nothing ran because every case was skipped (CTest's SKIP_RETURN_CODE).
    return failed ? 1 : passed == 0 && skipped > 0 ? 77 : 0;
}
