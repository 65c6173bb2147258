#pragma once
// Where an import of the command line runs: the component's folder with the device
// database two levels above it and the merged message file one level above, and the
// message language chosen through the component's settings files.

#include <cstdint>
#include <optional>
#include <string>

namespace tessaro::cli {

// A fresh temporary folder or empty file from a pattern ending in XXXXXX, in TMPDIR or
// /tmp, remembered for removal on a signal.
std::string TemporaryName(const std::string& pattern, bool folder);

// The bundled sample device database: beside the executable's folder in the build tree
// (../samples/KorvoDEV.dbr), else where the build placed it.
std::string SampleDeviceDb();

// A private copy of the component's layout in a fresh temporary folder: root/app/bin as
// the component's folder, root/KorvoDEV.dbr a link to deviceDb. Removed with everything
// in it when the object goes.
class PrivateLayout {
public:
    explicit PrivateLayout(const std::string& deviceDb);
    ~PrivateLayout();
    PrivateLayout(const PrivateLayout&) = delete;
    PrivateLayout& operator=(const PrivateLayout&) = delete;
    std::string root;
    std::string component;
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
