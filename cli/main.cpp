// tessaro: the command line host of the library.

#include "Commands.h"
#include "Options.h"
#include "TemporaryFiles.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

namespace {

// A large import's memory in 2 MB pages, where the system hands them out on request:
// the first touch of each fresh page is much of what an import pays for its memory,
// and a large page is touched once instead of 512 times. The C library takes the
// request only from the environment of a starting process, so an import of 2 MB of
// files or more starts the program once more with it (unless the environment already
// says how to allocate); below that the second start costs more than it saves.
void RestartWithLargePages(int argc, char** argv) {
    constexpr const char* kTunables = "GLIBC_TUNABLES";
    constexpr off_t kLargeInput = 2 * 1024 * 1024;
    if (std::getenv(kTunables) || argc < 2 || (std::strcmp(argv[1], "import") != 0 && std::strcmp(argv[1], "diff") != 0))
        return;
    off_t input = 0;
    for (int i = 2; i < argc; ++i) {
        struct stat file {};
        if (::stat(argv[i], &file) == 0 && S_ISREG(file.st_mode)) input += file.st_size;
    }
    if (input < kLargeInput || ::setenv(kTunables, "glibc.malloc.hugetlb=1", 1) != 0) return;
    ::execv("/proc/self/exe", argv);
    ::unsetenv(kTunables);  // not restarted: go on as started
}

}  // namespace

int main(int argc, char** argv) {
    using namespace tessaro::cli;
    RestartWithLargePages(argc, argv);
    RemoveTemporaryFilesOnSignal();
    CommandLine line;
    try {
        line = ParseCommandLine(std::vector<std::string>(argv, argv + argc));
        if (line.command == CommandLine::Command::Import) ChooseCodePage(line.import);
        if (line.command == CommandLine::Command::Diff) ChooseCodePage(line.diff.import);
    } catch (const UsageError& error) {
        std::cerr << "tessaro: " << error.what() << "\nTry 'tessaro " << (error.command.empty() ? "" : error.command + " ")
                  << "--help'.\n";
        return 2;
    }
    try {
        switch (line.command) {
        case CommandLine::Command::Help: std::cout << HelpText(line.helpTopic); return FinishStandardOutput();
        case CommandLine::Command::Version: std::cout << VersionText() << "\n"; return FinishStandardOutput();
        case CommandLine::Command::Import: return RunImport(line.import);
        case CommandLine::Command::Diff: return RunDiff(line.diff);
        case CommandLine::Command::Devices: return RunDevices(line.devices);
        }
    } catch (const std::exception& error) {
        std::cerr << "tessaro: " << error.what() << "\n";
    }
    return line.command == CommandLine::Command::Diff ? 2 : 1;  // diff says trouble with 2
}
