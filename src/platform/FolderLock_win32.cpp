// The folder lock on Windows: a mutex named after the folder's full path, upper-cased.
// A mutex left by a process that ended is given to the next waiter.

#include "platform/FolderLock.h"

#include <tessaro/CodePage.h>
#include <tessaro/RuntimeError.h>

#include <windows.h>

namespace tessaro {

FolderLock::FolderLock(const std::string& folder, double waitSeconds) {
    char full[MAX_PATH];
    DWORD length = GetFullPathNameA(folder.c_str(), MAX_PATH, full, nullptr);
    std::string name = "Local\\Tessaro.ComponentFolder.";
    name += UpperCase(length > 0 && length < MAX_PATH ? std::string(full, length) : folder);
    for (size_t i = 6; i < name.size(); ++i)
        if (name[i] == '\\' || name[i] == '/') name[i] = '|';
    if (name.size() > MAX_PATH) name.resize(MAX_PATH);
    HANDLE mutex = CreateMutexA(nullptr, FALSE, name.c_str());
    if (!mutex) return;
    DWORD wait = waitSeconds < 0 ? INFINITE : static_cast<DWORD>(waitSeconds * 1000.0);
    DWORD result = WaitForSingleObject(mutex, wait);
    if (result != WAIT_OBJECT_0 && result != WAIT_ABANDONED) {
        CloseHandle(mutex);
        if (result == WAIT_TIMEOUT)
            throw RuntimeError(PermissionDenied, "the component folder " + folder + " is in use by another import");
        return;
    }
    handle_ = mutex;
}

FolderLock::~FolderLock() {
    if (!handle_) return;
    ReleaseMutex(static_cast<HANDLE>(handle_));
    CloseHandle(static_cast<HANDLE>(handle_));
}

}  // namespace tessaro
