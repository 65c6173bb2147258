// The operating-system services on POSIX systems.

#include "platform/System.h"

#include <dlfcn.h>

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace tessaro {

std::string LibraryFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&LibraryFolder), &info) == 0 || !info.dli_fname) return ".";
    std::string file = info.dli_fname;
    size_t slash = file.rfind('/');
    return slash == std::string::npos ? "." : file.substr(0, slash);
}

bool IsOrdinaryFile(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

std::string Utf8FileName(const std::string& path) { return path; }

std::tm LocalTimeNow() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

void ShowWarningDefault(const std::string& text) { std::fprintf(stderr, "tessaro: %s\n", text.c_str()); }

void YieldDefault() {}

}  // namespace tessaro
