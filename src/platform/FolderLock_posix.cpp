// The folder lock on POSIX systems: flock on a descriptor of the folder itself.

#include "platform/FolderLock.h"

#include <tessaro/RuntimeError.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <thread>

namespace tessaro {

FolderLock::FolderLock(const std::string& folder, double waitSeconds) {
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    if (waitSeconds < 0) {
        while (flock(fd, LOCK_EX) != 0 && errno == EINTR) {
        }
    } else {
        const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(waitSeconds);
        while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            if (errno != EWOULDBLOCK && errno != EINTR) break;  // no locks here: go on unlocked
            if (std::chrono::steady_clock::now() >= until) {
                close(fd);
                throw RuntimeError(PermissionDenied, "the component folder " + folder +
                                                         " is in use by another import");
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    handle_ = reinterpret_cast<void*>(static_cast<intptr_t>(fd) + 1);
}

FolderLock::~FolderLock() {
    if (handle_) close(static_cast<int>(reinterpret_cast<intptr_t>(handle_) - 1));  // releases the lock
}

}  // namespace tessaro
