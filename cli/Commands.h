#pragma once
// The commands of tessaro; each returns the process's exit status.

#include "Options.h"

namespace tessaro::cli {

int RunImport(const ImportOptions& options);
int RunDevices(const DevicesOptions& options);

// Flushes standard output: 0 when everything written arrived, else 1 after one line on
// standard error naming the cause. A closed pipe ends the process quietly, as SIGPIPE
// ends a standard tool (the caller's temporary files are gone by then).
int FinishStandardOutput();

}  // namespace tessaro::cli
