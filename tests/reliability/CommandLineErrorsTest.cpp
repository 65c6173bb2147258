// The tessaro command line given what it cannot use: every case ends in one line on
// standard error that names the file (or the option) and the cause, and in the
// documented exit status (1: the import stopped or a source could not be read, 2: a
// wrong command line); never a stack trace, never a silent success.

#include "ReliabilitySupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sys/wait.h>

namespace tessaro {
namespace {

namespace fs = std::filesystem;
using namespace test;

struct Outcome {
    int status;
    std::string out, err;
};

Outcome Tessaro(const std::vector<std::string>& arguments) {
    TempDir io;
    std::string command = "'" + std::string(TESSARO_CLI_PATH) + "'";
    for (const auto& argument : arguments) command += " '" + argument + "'";
    command += " </dev/null >" + (io / "out") + " 2>" + (io / "err");
    int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(io / "out"), ReadFile(io / "err")};
}

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

TEST(CommandLineErrors, OneLineNamingTheFileAndTheCauseAndTheDocumentedStatus) {
    if (std::string(TESSARO_CLI_PATH).empty()) GTEST_SKIP() << "built without the command line";
    TempDir dir;
    const std::string good = dir / "Good.ASC";
    WriteFile(good, SymbolLine("Pump", "M", "1", "BYTE") + "\r\n");
    fs::create_directories(dir / "Folder.AWL");
    WriteFile(dir / "plain", "a file where a folder belongs");
    // A component layout whose device database is there but whose component folder is not.
    fs::create_directories(dir.path() / "root" / "app");
    fs::copy_file(TESSARO_SAMPLE_DB, dir.path() / "root" / "KorvoDEV.dbr");

    struct Case {
        const char* what;
        std::vector<std::string> arguments;
        int status;
        std::vector<std::string> inFirstLine;  // what the first line of standard error names
        bool variablesWritten;
    };
    const Case cases[] = {
        {"a missing source", {"import", "--format=csv", "--messages", dir / "m.msg", dir / "Missing.ASC", good}, 1,
         {"cannot read " + (dir / "Missing.ASC"), "No such file or directory"}, true},
        {"a folder as source", {"import", "--format=csv", "--messages", dir / "m.msg", good, dir / "Folder.AWL"}, 1,
         {"cannot read " + (dir / "Folder.AWL"), "Is a directory"}, true},
        {"an unknown option", {"import", "--frobnicate", good}, 2, {"--frobnicate"}, false},
        {"an unknown command", {"export", good}, 2, {"export"}, false},
        {"a number that is none", {"import", "--device-code", "x1", good}, 2, {"x1"}, false},
        {"a missing device database", {"import", "--device-db", dir / "None.dbr", good}, 1,
         {"cannot open the device database " + (dir / "None.dbr"), "No such file or directory"}, false},
        {"a folder as device database", {"import", "--device-db", dir.path().string(), good}, 1,
         {"cannot open the device database " + dir.path().string()}, false},
        {"a component folder below a file", {"import", "--component-dir", (dir / "plain") + "/bin", good}, 1,
         {"cannot write the message files in " + (dir / "plain") + "/bin", "Not a directory"}, false},
        {"a missing component folder", {"import", "--component-dir", (dir / "root") + "/app/bin", good}, 1,
         {"cannot write the message files in " + ((dir / "root") + "/app/bin"), "No such file or directory"}, false},
        {"messages into a folder", {"import", "--format=csv", "--messages", dir.path().string(), dir / "Good.ASC"}, 1,
         {"cannot append the messages to " + dir.path().string()}, true},
        {"devices of a missing database", {"devices", "--device-db", dir / "None.dbr"}, 1,
         {dir / "None.dbr", "No such file or directory"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // The last case needs a report to append: a clash in the source.
        if (std::string(c.what) == "messages into a folder")
            WriteFile(good, SymbolLine("Pump", "M", "1", "BYTE") + "\r\n" + SymbolLine("Pump", "M", "2", "BYTE") + "\r\n");
        Outcome run = Tessaro(c.arguments);
        EXPECT_EQ(run.status, c.status) << run.err;
        const std::string first = FirstLine(run.err);
        EXPECT_EQ(first.rfind("tessaro: ", 0), 0u) << run.err;
        for (const auto& part : c.inFirstLine) EXPECT_NE(first.find(part), std::string::npos) << part << "\n" << run.err;
        EXPECT_EQ(run.err.find("terminate called"), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find("what():"), std::string::npos) << run.err;
        if (c.status == 1 && !c.variablesWritten) {
            EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        }
        EXPECT_EQ(run.out.find("Pump") != std::string::npos, c.variablesWritten) << run.out;
    }
}

}  // namespace
}  // namespace tessaro
