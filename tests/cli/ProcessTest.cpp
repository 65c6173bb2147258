// The built tessaro as a process among others: on a terminal, at the end of a closed
// pipe or a full disk, and ended by a signal in the middle of a large import.

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <regex>
#include <sstream>
#include <sys/file.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tessaro::test {
namespace {

namespace fs = std::filesystem;

// A symbol table of 300,000 lines with reports of three kinds: conversions, symbols not
// fit for the device, and names given twice.
class ProcessTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (std::string(TESSARO_CLI_PATH).empty()) return;
        big = std::make_unique<TempDir>();
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
    void SetUp() override { if (std::string(TESSARO_CLI_PATH).empty()) GTEST_SKIP() << "built without the command line"; }
    static inline std::unique_ptr<TempDir> big;  // goes when the program ends
    const std::string cli = "'" + std::string(TESSARO_CLI_PATH) + "'";
    std::string Big() const { return *big / "Big.ASC"; }
    TempDir dir;
    TempDir tmp;  // the TMPDIR of the runs: empty again after each
    ScopedEnv tmpdir{"TMPDIR", tmp.path().string()};
    bool TemporaryFilesLeft() const { return !fs::is_empty(tmp.path()); }

    // Starts tessaro with arguments, standard output to outFd (or /dev/null), standard
    // error to a file, every signal at its default and unblocked.
    pid_t Start(std::vector<std::string> arguments, int outFd = -1) {
        arguments.insert(arguments.begin(), TESSARO_CLI_PATH);
        std::vector<char*> argv;
        for (auto& word : arguments) argv.push_back(word.data());
        argv.push_back(nullptr);
        const std::string err = dir / "err";
        const pid_t pid = fork();
        if (pid != 0) return pid;
        for (int signal = 1; signal < NSIG; ++signal) std::signal(signal, SIG_DFL);  // only async-signal-safe calls here
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        dup2(open("/dev/null", O_RDONLY), 0);
        dup2(outFd >= 0 ? outFd : open("/dev/null", O_WRONLY), 1);
        dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
        execv(argv[0], argv.data());
        _exit(127);
    }
    // A shell command with standard error to a file; its exit status.
    int Shell(const std::string& command) {
        int raw = std::system((command + " 2>'" + (dir / "err") + "'").c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
    std::string Err() const { return ReadFile(dir / "err"); }
};

// A signal in the middle of a large import, or a reader that goes away: the private
// layout and the settings file of the chosen language go, and the process ends quietly by
// that signal (by SIGPIPE when the reader went away), as the shell expects.
TEST_F(ProcessTest, SignalsAndAClosedPipeLeaveNoTemporaryFiles) {
    for (int signal : {SIGINT, SIGTERM, SIGPIPE, SIGHUP, 0}) {
        SCOPED_TRACE(signal ? strsignal(signal) : "a closed pipe");
        int pipeFds[2];
        ASSERT_EQ(pipe(pipeFds), 0);
        close(pipeFds[0]);
        const pid_t pid =
            Start({"import", "--format=csv", "--language", "de", "--messages", dir / "m.txt", Big()}, signal ? -1 : pipeFds[1]);
        close(pipeFds[1]);
        // The layout appears after the sources are checked; the import runs for a second or more after it.
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (signal && !TemporaryFilesLeft() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        int status = 0;
        if (signal) {
            ASSERT_TRUE(TemporaryFilesLeft());
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            ASSERT_EQ(waitpid(pid, &status, WNOHANG), 0) << "the import ended before the signal";
            kill(pid, signal);
        }
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == (signal ? signal : SIGPIPE)) << status;
        EXPECT_EQ(Err(), "");
        EXPECT_FALSE(TemporaryFilesLeft());
        EXPECT_FALSE(fs::exists(dir / "m.txt"));  // nothing half-appended
    }
}

// Two imports into one component folder at once take turns: both end with status 0 and
// the merged file holds both logs whole. The test holds the folder first, so that both
// are waiting when it lets go and neither can finish before the other starts. A third,
// told to wait only briefly while the folder is held, gives up naming the folder.
TEST_F(ProcessTest, TwoImportsIntoOneFolderTakeTurns) {
    const fs::path component = fs::path(dir / "app") / "bin";
    fs::create_directories(component);
    fs::copy_file(TESSARO_SAMPLE_DB, dir / "KorvoDEV.dbr");
    const int held = open(component.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);  // not into the imports
    ASSERT_GE(held, 0);
    ASSERT_EQ(flock(held, LOCK_EX), 0);

    EXPECT_EQ(Shell(cli + " import --component-dir '" + component.string() + "' --wait 0.3 '" + Big() + "' >/dev/null"), 1);
    EXPECT_EQ(Err(), "tessaro: the component folder " + component.string() + " is in use by another import\n");

    std::vector<pid_t> imports;
    for (int i = 0; i < 2; ++i) {
        imports.push_back(Start({"import", "--component-dir", component.string(), "--device-name", "Import " + std::to_string(i), Big()}));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    for (pid_t pid : imports) EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), 0) << "an import ran while the folder was held";
    close(held);
    for (pid_t pid : imports) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    // The two logs one after the other, each whole: the same reports (299 of them name
    // the symbol given 300 times, beside its 300 conversions), under their own headers.
    const std::string merged = ReadFile(fs::path(dir / "app") / "Messenger.Msg");
    std::vector<size_t> headers;
    for (int i = 0; i < 2; ++i) {
        headers.push_back(merged.find("--Import " + std::to_string(i) + "--"));
        ASSERT_NE(headers.back(), std::string::npos) << "the log of import " << i << " is missing";
    }
    std::sort(headers.begin(), headers.end());
    // Each log starts with what comes before its header line (a line end).
    const std::string lead = merged.substr(0, headers.front());
    ASSERT_LE(lead.size(), 2u);
    auto withoutHeader = [](std::string log) { return log.substr(log.find("\r\n")); };
    const std::string first = withoutHeader(merged.substr(headers.front(), headers.back() - headers.front()));
    const std::string second = withoutHeader(merged.substr(headers.back()));
    EXPECT_EQ(first, second + lead);
    size_t twice = 0;
    for (size_t at = first.find("Twice"); at != std::string::npos; at = first.find("Twice", at + 1)) ++twice;
    EXPECT_EQ(twice, 599u);
}

// A full disk is one line and status 1, for every command that writes.
TEST_F(ProcessTest, AFullDiskIsOneLine) {
    const std::string small = dir / "small.ASC";
    WriteFile(small, SymbolLine("Pump", "M", "1", "BYTE") + "\r\n");
    for (const std::string& command : {"import --messages '" + (dir / "m.txt") + "' '" + small + "'", std::string("devices"),
                                      std::string("--version"), std::string("help import")}) {
        SCOPED_TRACE(command);
        EXPECT_EQ(Shell(cli + " " + command + " >/dev/full"), 1);
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
        std::system(("script -qec \"stty cols 80 rows 24; " + command + "\" /dev/null </dev/null >'" + (dir / "screen") + "'").c_str());
        return ReadFile(dir / "screen");
    };
    // The screen's lines: what is left after every carriage return and erase-line.
    auto screenLines = [](const std::string& raw) {
        std::istringstream in(std::regex_replace(raw, std::regex("[^\n]*\r(?!\n)|\x1b\\[K|\r(?=\n)"), ""));
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            if (!line.empty()) lines.push_back(line);
        return lines;
    };
    auto fits = [](const std::vector<std::string>& lines) {  // 80 characters of UTF-8 at most
        for (const auto& line : lines)
            EXPECT_LE(std::count_if(line.begin(), line.end(), [](char c) { return (c & 0xC0) != 0x80; }), 80) << line;
    };
    const std::string raw = onTerminal(cli + " import '" + Big() + "' > '" + (dir / "out.jsonl") + "'");
    const auto lines = screenLines(raw);
    EXPECT_LE(lines.size(), 23u) << raw.substr(raw.size() > 3000 ? raw.size() - 3000 : 0);
    fits(lines);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "tessaro: 224701 variables imported, 300000 lines read in " + lines[0].substr(57)) << lines[0];
    // Progress appears after half a second: an import that took longer must have drawn it.
    if (std::strtod(lines[0].substr(57).c_str(), nullptr) >= 0.8) {
        EXPECT_NE(raw.find("%, "), std::string::npos);
    }
    EXPECT_NE(raw.find("tessaro: 225000 type conversions, the first 2:\r\n    BOOL->Byte"), std::string::npos) << raw;
    EXPECT_NE(raw.find("tessaro: 299 variables with the same name, the first 2:\r\n    Twice "), std::string::npos) << raw;
    EXPECT_NE(raw.find("tessaro: 75000 variables not fit for the device, the first 2:\r\n    Symbol_3\r\n"), std::string::npos);
    EXPECT_NE(raw.find("tessaro: messages: not kept"), std::string::npos);
    EXPECT_FALSE(TemporaryFilesLeft());

    const std::string wide = dir / "wide.ASC";
    WriteFile(wide, CrLf({SymbolLine("A_rather_long_symbol_name", "M", "1", "BYTE", "comment"),
                          SymbolLine("Short", "A", "2.0", "BOOL")}));
    const auto table = screenLines(onTerminal(cli + " import --messages '" + (dir / "m.txt") + "' '" + wide + "'"));
    ASSERT_GE(table.size(), 3u);
    EXPECT_TRUE(table[0].starts_with("Name ")) << table[0];
    EXPECT_NE(table[1].find("\xE2\x80\xA6"), std::string::npos) << table[1];  // shortened with an ellipsis
    fits(table);

    EXPECT_EQ(Shell(cli + " import --messages '" + (dir / "m.txt") + "' '" + Big() + "' >/dev/null"), 0);
    EXPECT_EQ(Err(), "");
}

}  // namespace
}  // namespace tessaro::test
