#include "devicedb/DeviceDBStore.h"

#include "devicedb/SqliteStore.h"

#include <tessaro/RuntimeError.h>

#include <cerrno>
#include <cstring>
#include <fstream>

namespace tessaro {

std::unique_ptr<DeviceDBStore> OpenDeviceDBStore(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        int error = errno;
        throw RuntimeError(error == ENOENT || error == ENOTDIR ? FileNotFound : PathFileAccessError,
                           path + ": " + std::strerror(error));
    }
    char header[16] = {};
    file.read(header, sizeof header);
    if (file.gcount() == sizeof header && std::memcmp(header, "SQLite format 3", 16) == 0)
        return std::make_unique<SqliteStore>(path);
    throw RuntimeError(PathFileAccessError, path + ": not a device database");
}

}  // namespace tessaro
