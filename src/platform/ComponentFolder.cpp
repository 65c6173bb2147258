// The component's folder: where the library file lies, unless the host or the
// environment says otherwise.

#include <tessaro/Platform.h>

#include <dlfcn.h>

#include <cstdlib>
#include <mutex>
#include <string>

namespace tessaro {
namespace {

std::mutex guard;
std::string processFolder;
thread_local std::string threadFolder;

std::string WithoutTrailingSeparator(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

std::string LibraryFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&LibraryFolder), &info) == 0 || !info.dli_fname) return ".";
    std::string file = info.dli_fname;
    size_t slash = file.rfind('/');
    return slash == std::string::npos ? "." : file.substr(0, slash);
}

}  // namespace

void SetComponentFolder(const std::string& folder) {
    std::lock_guard lock(guard);
    processFolder = WithoutTrailingSeparator(folder);
}

void SetThreadComponentFolder(const std::string& folder) { threadFolder = WithoutTrailingSeparator(folder); }

std::string ComponentFolder() {
    if (!threadFolder.empty()) return threadFolder;
    {
        std::lock_guard lock(guard);
        if (!processFolder.empty()) return processFolder;
    }
    if (const char* env = std::getenv("TESSARO_COMPONENT_DIR"); env && *env) return WithoutTrailingSeparator(env);
    static const std::string library = LibraryFolder();
    return library;
}

}  // namespace tessaro
