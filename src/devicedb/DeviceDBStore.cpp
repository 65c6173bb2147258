#include "devicedb/DeviceDBStore.h"

#include "devicedb/JetStore.h"
#include "devicedb/SqliteStore.h"

#include "platform/Text.h"

#include <tessaro/RuntimeError.h>

#include <cerrno>
#include <cstring>
#include <fstream>

namespace tessaro {

StoredId StoredIdFromText(std::string_view text) {
    std::optional<double> value = WholeTextAsNumber(text);
    return value ? StoredIdFromNumber(*value) : StoredId{0, TypeMismatch};
}

StoredId StoredIdFromNumber(double value) {
    try {
        return {RoundToInt32(value), 0};
    } catch (const RuntimeError& e) {
        return {0, e.Number};
    }
}

StoredId StoredIdFrom(const std::optional<std::string>& text) {
    return text ? StoredIdFromText(*text) : StoredId{0, InvalidUseOfNull};
}

std::unique_ptr<DeviceDBStore> OpenDeviceDBStore(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        int error = errno;
        throw RuntimeError(error == ENOENT || error == ENOTDIR ? FileNotFound : PathFileAccessError,
                           path + ": " + std::strerror(error));
    }
    // The content decides, not the name: SQLite's header, or Jet's / ACE's at offset 4.
    char header[20] = {};
    file.read(header, sizeof header);
    auto read = static_cast<size_t>(file.gcount());
    if (read >= 16 && std::memcmp(header, "SQLite format 3", 16) == 0) return std::make_unique<SqliteStore>(path);
    if (read >= 19 && (std::memcmp(header + 4, "Standard Jet DB", 15) == 0 ||
                       std::memcmp(header + 4, "Standard ACE DB", 15) == 0))
        return OpenJetStore(path);
    throw RuntimeError(PathFileAccessError, path + ": not a device database");
}

}  // namespace tessaro
