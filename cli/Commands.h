#pragma once
// The commands of tessaro; each returns the process's exit status.

#include "Options.h"
#include "Summary.h"

#include <tessaro/VariableDriver.h>

#include <cstdint>
#include <memory>
#include <string>

namespace tessaro::cli {

// Sets the component's code page the options name (see kUsage); a UsageError naming the
// value when the page is unknown.
void ChooseCodePage(const ImportOptions& options);
int RunImport(const ImportOptions& options);
int RunDiff(const DiffOptions& options);

// The width of the terminal on fd, or 0 when fd is no terminal.
size_t TerminalWidth(int fd);

struct CopiesFolder;
class PrivateLayout;

// One import of options.files as the command line runs it: the FILEs checked (what is
// wrong with them noted in the summary), normalized copies where asked, the component's
// layout (a private one unless --component-dir), the driver's run. The layout and the
// copies live as long as the object.
class SourceImport {
    // First, so that they go last.
    std::shared_ptr<CopiesFolder> copies_;
    std::shared_ptr<PrivateLayout> privateLayout_;

public:
    // account: keep the import's account (the driver's Options.Account).
    SourceImport(const ImportOptions& options, Summary& summary, bool account = false);
    ~SourceImport();
    SourceImport(const SourceImport&) = delete;
    SourceImport& operator=(const SourceImport&) = delete;

    VariableDriver driver;
    bool ran = false;       // GetVariables was called (the device database was there)
    bool imported = false;  // GetVariables ran to its end
    bool failed = false;    // a FILE was skipped or could not be read
    std::string failure;    // why it was not imported
    size_t lines = 0;
    double seconds = 0;
    std::string merged;     // the merged message file, and its size before the import
    std::uintmax_t mergedBefore = 0;
};
int RunDevices(const DevicesOptions& options);

// Flushes standard output: 0 when everything written arrived, else 1 after one line on
// standard error naming the cause. A closed pipe ends the process quietly, as SIGPIPE
// ends a standard tool (the caller's temporary files are gone by then).
int FinishStandardOutput();

}  // namespace tessaro::cli
