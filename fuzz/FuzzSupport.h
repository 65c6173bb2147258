#pragma once
// What the fuzz targets share: a private scratch folder and writing the input there.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace tessaro::fuzz {

// A folder of this process's own under the system's temporary folder.
inline const std::filesystem::path& Scratch() {
    static const std::filesystem::path dir = [] {
        auto d = std::filesystem::temp_directory_path() / ("tessaro-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(d);
        return d;
    }();
    return dir;
}

inline std::string WriteInput(const std::string& name, const uint8_t* data, size_t size) {
    auto path = Scratch() / name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return path.string();
}

// Stops the target with a message when an invariant does not hold.
inline void Check(bool holds, const char* what) {
    if (!holds) {
        fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

}  // namespace tessaro::fuzz
