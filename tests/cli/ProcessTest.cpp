// The built tessaro as a process among others: on a terminal, at the end of a closed
// pipe or a full disk, and ended by a signal in the middle of a large import.

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace tessaro {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::SymbolLine;
using test::TempDir;
using test::WriteFile;

// A symbol table of 300,000 lines with reports of three kinds: conversions, symbols not
// fit for the device, and names given twice.
class ProcessTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (std::string(TESSARO_CLI_PATH).empty()) return;
        big = new TempDir;
        const std::vector<std::array<const char*, 2>> kinds = {{"A", "BOOL"}, {"EW", "INT"}, {"MD", "REAL"}, {"FB", "FB"}};
        std::string text;
        text.reserve(300000 * 80);
        for (size_t i = 0; i < 300000; ++i) {
            const auto& kind = kinds[i % kinds.size()];
            const std::string name = i % 1000 == 0 ? "Twice" : "Symbol_" + std::to_string(i);
            text += SymbolLine(name, kind[0], std::to_string(i % 2000) + (kind[1] == std::string("BOOL") ? ".1" : ""),
                               kind[1], "generated") + "\r\n";
        }
        WriteFile(*big / "Big.ASC", text);
    }
    static void TearDownTestSuite() {
        delete big;
        big = nullptr;
    }
    void SetUp() override {
        if (std::string(TESSARO_CLI_PATH).empty()) GTEST_SKIP() << "built without the command line";
    }
    static inline TempDir* big = nullptr;
    std::string Big() const { return *big / "Big.ASC"; }
    TempDir dir;
    TempDir tmp;  // the TMPDIR of the runs: empty again after each
    bool TemporaryFilesLeft() const { return !fs::is_empty(tmp.path()); }

    // Starts tessaro with arguments, TMPDIR set to tmp, standard output to outFd (or
    // /dev/null), standard error to a file, signals at their defaults.
    pid_t Start(const std::vector<std::string>& arguments, int outFd = -1) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        if (outFd >= 0)
            posix_spawn_file_actions_adddup2(&actions, outFd, 1);
        else
            posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, (dir / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t all, none;
        sigfillset(&all);
        sigemptyset(&none);
        posix_spawnattr_setsigdefault(&attributes, &all);
        posix_spawnattr_setsigmask(&attributes, &none);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
        std::vector<std::string> words = {TESSARO_CLI_PATH};
        words.insert(words.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (auto& word : words) argv.push_back(word.data());
        argv.push_back(nullptr);
        std::vector<std::string> environment = {"TMPDIR=" + tmp.path().string()};
        for (char** e = environ; *e; ++e)
            if (!std::string_view(*e).starts_with("TMPDIR=")) environment.emplace_back(*e);
        std::vector<char*> envp;
        for (auto& entry : environment) envp.push_back(entry.data());
        envp.push_back(nullptr);
        pid_t pid = -1;
        EXPECT_EQ(posix_spawn(&pid, TESSARO_CLI_PATH, &actions, &attributes, argv.data(), envp.data()), 0);
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        return pid;
    }
    static int Wait(pid_t pid) {
        int status = 0;
        waitpid(pid, &status, 0);
        return status;
    }
    // A shell command with standard error to a file; its exit status.
    int Shell(const std::string& command) {
        int raw = std::system(("TMPDIR='" + tmp.path().string() + "' " + command + " 2>'" + (dir / "err") + "'").c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
    std::string Err() const { return ReadFile(dir / "err"); }
};

// A signal in the middle of a large import: the private layout and the settings file of
// the chosen language go, and the process ends by that signal, as the shell expects.
TEST_F(ProcessTest, SignalsDuringAnImportLeaveNoTemporaryFiles) {
    for (int signal : {SIGINT, SIGTERM, SIGPIPE, SIGHUP}) {
        SCOPED_TRACE(strsignal(signal));
        pid_t pid = Start({"import", "--language", "de", "--messages", dir / "m.txt", Big()});
        // The layout appears after the sources are checked; the import runs for a second or more after it.
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!TemporaryFilesLeft() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_TRUE(TemporaryFilesLeft());
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, WNOHANG), 0) << "the import ended before the signal";
        kill(pid, signal);
        status = Wait(pid);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_FALSE(TemporaryFilesLeft());
        EXPECT_FALSE(fs::exists(dir / "m.txt"));  // nothing half-appended
    }
}

// A reader that goes away ends the command quietly, as SIGPIPE ends a standard tool,
// after the temporary files are removed; a full disk is one line and status 1.
TEST_F(ProcessTest, ClosedPipeIsQuietAndFullDiskIsOneLine) {
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    close(pipeFds[0]);
    pid_t pid = Start({"import", "--format=csv", "--messages", dir / "m.txt", Big()}, pipeFds[1]);
    close(pipeFds[1]);
    const int status = Wait(pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGPIPE) << status;
    EXPECT_EQ(Err(), "");
    EXPECT_FALSE(TemporaryFilesLeft());


    const std::string cli = "'" + std::string(TESSARO_CLI_PATH) + "'";
    const std::string small = dir / "small.ASC";
    WriteFile(small, SymbolLine("Pump", "M", "1", "BYTE") + "\r\n");
    for (const std::string& command : std::vector<std::string>{cli + " import --messages '" + (dir / "m.txt") + "' '" + small + "' >/dev/full",
                                      cli + " devices >/dev/full", cli + " --version >/dev/full",
                                      cli + " help import >/dev/full"}) {
        SCOPED_TRACE(command);
        EXPECT_EQ(Shell(command), 1);
        EXPECT_EQ(Err(), "tessaro: cannot write to standard output: No space left on device\n");
        EXPECT_FALSE(TemporaryFilesLeft());
    }
}

// The terminal as a user sees it, under a pseudo-terminal of 80 by 24: a 300,000-line
// import ends on one screen (the progress line redrawn in place and erased); a table is
// cut to the width. Redirected, standard error holds no progress and no summary.
TEST_F(ProcessTest, OnATerminalTheOutputFitsTheScreen) {
    if (std::system("command -v script >/dev/null 2>&1") != 0) GTEST_SKIP() << "no script(1) for a pseudo-terminal";
    auto onTerminal = [&](const std::string& command) {
        const std::string raw = dir / "screen";
        std::system(("TMPDIR='" + tmp.path().string() + "' script -qec \"stty cols 80 rows 24; " + command + "\" /dev/null > '" +
                     raw + "' 2>&1")
                        .c_str());
        return ReadFile(raw);
    };
    // The screen's lines: what is left after every carriage return and erase-line.
    auto screenLines = [](const std::string& raw) {
        std::vector<std::string> lines;
        size_t start = 0;
        while (start < raw.size()) {
            size_t end = raw.find('\n', start);
            if (end == std::string::npos) end = raw.size();
            std::string line = raw.substr(start, end - start);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (size_t cr = line.rfind('\r'); cr != std::string::npos) line.erase(0, cr + 1);
            for (size_t erase; (erase = line.find("\x1b[K")) != std::string::npos;) line.erase(erase, 3);
            if (!line.empty()) lines.push_back(line);
            start = end + 1;
        }
        return lines;
    };
    auto width = [](const std::string& utf8) {
        return static_cast<size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) { return (c & 0xC0) != 0x80; }));
    };
    const std::string cli = "'" + std::string(TESSARO_CLI_PATH) + "'";
    const std::string raw = onTerminal(cli + " import '" + Big() + "' > '" + (dir / "out.jsonl") + "'");
    const auto lines = screenLines(raw);
    EXPECT_LE(lines.size(), 23u) << raw.substr(raw.size() > 3000 ? raw.size() - 3000 : 0);
    for (const auto& line : lines) EXPECT_LE(width(line), 80u) << line;
    EXPECT_NE(raw.find("%, "), std::string::npos);  // progress was drawn
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "tessaro: 224701 variables imported, 300000 lines read in " + lines[0].substr(57)) << lines[0];
    EXPECT_NE(raw.find("tessaro: 225000 type conversions, the first 2:\r\n    BOOL->Byte"), std::string::npos) << raw;
    EXPECT_NE(raw.find("tessaro: 299 variables with the same name, the first 2:\r\n    Twice "), std::string::npos) << raw;
    EXPECT_NE(raw.find("tessaro: 75000 variables not fit for the device, the first 2:\r\n    Symbol_3\r\n"), std::string::npos);
    EXPECT_NE(raw.find("tessaro: messages: not kept"), std::string::npos);
    EXPECT_FALSE(TemporaryFilesLeft());

    const std::string wide = dir / "wide.ASC";
    WriteFile(wide, test::CrLf({SymbolLine("A_rather_long_symbol_name", "M", "1", "BYTE", "comment"),
                                SymbolLine("Short", "A", "2.0", "BOOL")}));
    const auto table = screenLines(onTerminal(cli + " import --messages '" + (dir / "m.txt") + "' '" + wide + "'"));
    ASSERT_GE(table.size(), 3u);
    EXPECT_TRUE(table[0].starts_with("Name ")) << table[0];
    EXPECT_NE(table[1].find("\xE2\x80\xA6"), std::string::npos) << table[1];  // shortened with an ellipsis
    for (const auto& line : table) EXPECT_LE(width(line), 80u) << line;

    EXPECT_EQ(Shell(cli + " import --messages '" + (dir / "m.txt") + "' '" + Big() + "' >/dev/null"), 0);
    EXPECT_EQ(Err(), "");
}

}  // namespace
}  // namespace tessaro
