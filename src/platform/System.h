#pragma once
// The few services the component takes from the operating system itself, one file per
// platform (System_posix.cpp, System_win32.cpp). Everything above this header is the
// same code on every platform.

#include <ctime>
#include <string>

namespace tessaro {

// The folder of the component's own library file, without a trailing separator; "."
// when it cannot be found.
std::string LibraryFolder();

// An ordinary file: it exists, is no folder, and (on Windows) is neither hidden nor a
// system file.
bool IsOrdinaryFile(const std::string& path);

// A file name as the libraries that take UTF-8 file names want it: on Windows converted
// from the component's ANSI text, elsewhere as it is (file names are bytes there).
std::string Utf8FileName(const std::string& path);

// The current local date and time.
std::tm LocalTimeNow();

// What the component does with a warning when the host installed no handler: a modal
// warning box where someone can answer it, else one line on standard error.
void ShowWarningDefault(const std::string& text);

// What the per-line yield does when the host installed no hook: on Windows the
// thread's pending window messages are dispatched; elsewhere nothing.
void YieldDefault();

}  // namespace tessaro
