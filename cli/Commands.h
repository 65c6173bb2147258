#pragma once
// The two commands of tessaro; each returns the process's exit status.

#include "Options.h"

namespace tessaro::cli {

int RunImport(const ImportOptions& options);
int RunDevices(const DevicesOptions& options);

}  // namespace tessaro::cli
