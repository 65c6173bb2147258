// tessaro: the command line host of the library.

#include "Commands.h"
#include "Options.h"
#include "TemporaryFiles.h"

#include <exception>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    using namespace tessaro::cli;
    RemoveTemporaryFilesOnSignal();
    CommandLine line;
    try {
        line = ParseCommandLine(std::vector<std::string>(argv, argv + argc));
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
        case CommandLine::Command::Devices: return RunDevices(line.devices);
        }
    } catch (const std::exception& error) {
        std::cerr << "tessaro: " << error.what() << "\n";
    }
    return 1;
}
