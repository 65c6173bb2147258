// The component's folder: where the library file lies, unless the host or the
// environment says otherwise.

#include <tessaro/Platform.h>

#include "platform/System.h"
#include "platform/Text.h"

#include <cstdlib>
#include <mutex>
#include <string>

namespace tessaro {
namespace {

std::mutex guard;
std::string processFolder;
thread_local std::string threadFolder;

std::string WithoutTrailingSeparator(std::string folder) {
    // A separator that ends the folder is a character of its own, not the trail byte of one.
    while (folder.size() > 1 && FileNameOf(folder).empty()) folder.pop_back();
    return folder;
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
