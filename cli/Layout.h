#pragma once
// Where an import of the command line runs: the component's folder with the device
// database two levels above it and the merged message file one level above, and the
// message language chosen through the component's settings files.

#include "TemporaryFiles.h"

#include <tessaro/PrivateLayout.h>

#include <cstdint>
#include <optional>
#include <string>

namespace tessaro::cli {

// A fresh temporary folder or empty file from a pattern ending in XXXXXX, in TMPDIR or
// /tmp, remembered for removal on a signal.
std::string TemporaryName(const std::string& pattern, bool folder);

// The bundled sample device database, found from the executable's folder: where an
// installed tree keeps it (../share/tessaro/samples/KorvoDEV.dbr), else beside that
// folder in the build tree (../samples/KorvoDEV.dbr). When neither is there, the
// installed path, for the import to name as missing.
std::string SampleDeviceDb();

// The library's private layout (tessaro/PrivateLayout.h), removed on a signal too.
class PrivateLayout : public tessaro::PrivateLayout {
public:
    explicit PrivateLayout(const std::string& deviceDb) : tessaro::PrivateLayout(deviceDb) { RememberTemporary(root); }
    ~PrivateLayout() { ForgetTemporary(root); }
    PrivateLayout(const PrivateLayout&) = delete;
    PrivateLayout& operator=(const PrivateLayout&) = delete;
};

// Chooses the message language for the imports of this process: the per-user settings
// hive (a temporary ".reg" file named by TESSARO_USER_REGISTRY) gets LanguageId under the
// key path of the nearest RegKeys.sys at or above the component's folder; without one,
// a RegKeys.sys naming Software\Tessaro is placed in the component's folder for the
// time of the import. Everything is undone when the object goes.
class LanguageChoice {
public:
    LanguageChoice(std::optional<int32_t> languageId, const std::string& component);
    ~LanguageChoice();
    LanguageChoice(const LanguageChoice&) = delete;
    LanguageChoice& operator=(const LanguageChoice&) = delete;

private:
    std::string hive_;
    std::string placedRegKeys_;
    std::optional<std::string> previousHive_;
};

}  // namespace tessaro::cli
