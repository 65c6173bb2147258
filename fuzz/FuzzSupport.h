#pragma once
// What the fuzz targets share: a private scratch folder, writing the input there, the
// component's layout with the sample device database, and the checks of invariants.

#include "driver/ImportContext.h"

#include <tessaro/Messenger.h>
#include <tessaro/Platform.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <unistd.h>
#include <utility>

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

inline std::string WriteInput(const std::string& name, std::string_view bytes) {
    return WriteInput(name, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

// Stops the target with a message when an invariant does not hold.
inline void Check(bool holds, const char* what) {
    if (!holds) {
        fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

// The component's layout under the scratch folder, made once: component folder
// root/app/bin (this process's component folder) and the sample device database
// root/KorvoDEV.dbr. Returns the component folder.
inline const std::string& ComponentLayout() {
    static const std::string component = [] {
        auto root = Scratch() / "root";
        std::filesystem::create_directories(root / "app" / "bin");
        std::filesystem::copy_file(TESSARO_SAMPLE_DB, root / "KorvoDEV.dbr",
                                   std::filesystem::copy_options::overwrite_existing);
        std::string folder = (root / "app" / "bin").string();
        SetComponentFolder(folder);
        return folder;
    }();
    return component;
}

// The shared objects of an import, as the driver opens them, in the thread's context:
// the device database for device code 1 (kept from one input to the next) and a fresh
// message log (so its partial files do not grow from one input to the next).
inline void OpenImport() {
    ComponentLayout();
    ImportContext& import = CurrentImport();
    if (!import.DeviceDB) import.OpenDeviceDB(1);
    import.SharedMessenger = std::make_shared<Messenger>();
    import.SharedMessenger->CreateMsgFiles();
}

// The input cut in two at the first occurrence of a separator line; the second part is
// empty when there is none.
inline std::pair<std::string_view, std::string_view> SplitAt(std::string_view input, std::string_view separator) {
    size_t at = input.find(separator);
    if (at == std::string_view::npos) return {input, {}};
    return {input.substr(0, at), input.substr(at + separator.size())};
}

}  // namespace tessaro::fuzz
