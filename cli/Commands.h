#pragma once
// The two commands of tessaro; each returns the process's exit status.

#include "Options.h"

namespace tessaro::cli {

// Sets the component's code page the options name (see kUsage); a UsageError naming the
// value when the page is unknown.
void ChooseCodePage(const ImportOptions& options);
int RunImport(const ImportOptions& options);
int RunDevices(const DevicesOptions& options);

}  // namespace tessaro::cli
