#pragma once
// An advisory lock on a component folder, held by one import while it runs, so that two
// imports into one folder (two host processes, or two threads) take turns instead of
// truncating each other's partial message files. The system releases it when the process
// ends, however it ends. One file per platform: FolderLock_posix.cpp (flock on the folder
// itself, no file is created), FolderLock_win32.cpp (a named mutex per folder).

#include <string>

namespace tessaro {

class FolderLock {
public:
    // Takes the lock on folder, waiting for another holder up to waitSeconds (negative:
    // as long as it takes). A folder that cannot be opened is not locked: the import's
    // own use of it then fails with its own error. When the wait ends without the lock,
    // fails with PermissionDenied (70), naming the folder.
    FolderLock(const std::string& folder, double waitSeconds);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    void* handle_ = nullptr;  // the platform's handle, or nothing when not locked
};

}  // namespace tessaro
