// The search for "RegKeys.sys" and the language chosen through it. The input places the
// file (or a folder of that name, which must be passed over) at one level of the
// component's folders and gives its content and the per-user hive. The nearest ordinary
// file is found; its first line is the key path (no CR or LF in it, and for a file
// without byte-order mark exactly the bytes before the first CR or LF); the country code
// is always one of the six and never a failure.
#include "FuzzSupport.h"
#include "messages/LanguageManager.h"

#include <tessaro/RuntimeError.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using namespace tessaro;
namespace fs = std::filesystem;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    uint8_t control = data[0];
    std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
    auto [content, hiveText] = fuzz::SplitAt(input, std::string_view("\0\0", 2));

    // Levels 0 to 3 below the scratch folder: root/a/b/bin is the component's folder.
    static const fs::path root = fuzz::Scratch() / "reg";
    static const fs::path levels[] = {root / "a" / "b" / "bin", root / "a" / "b", root / "a", root};
    static const std::string outside = [] {
        fs::create_directories(levels[0]);
        SetComponentFolder(levels[0].string());
        std::string found = FindRegKeysFile();  // a file above the scratch folder, if any
        setenv("TESSARO_USER_REGISTRY", (fuzz::Scratch() / "lang.reg").c_str(), 1);
        setenv("TESSARO_MACHINE_REGISTRY", (fuzz::Scratch() / "no-machine.reg").c_str(), 1);
        return found;
    }();
    for (const fs::path& level : levels) fs::remove_all(level / "RegKeys.sys");

    int fileLevel = control & 7;  // 4 to 7: no file
    int folderLevel = (control >> 3) & 7;
    if (folderLevel < 4) fs::create_directories(levels[folderLevel] / "RegKeys.sys");
    std::string expected = outside;
    for (int level = 0; level < 4; ++level) {
        if (level == fileLevel && level != folderLevel) {
            expected = (levels[level] / "RegKeys.sys").string();
            fuzz::WriteInput(fs::relative(levels[level] / "RegKeys.sys", fuzz::Scratch()).string(), content);
            break;
        }
    }
    fuzz::WriteInput("lang.reg", hiveText);

    fuzz::Check(FindRegKeysFile() == expected, "another RegKeys.sys than the nearest ordinary file");
    ResetCachedKeyPath();
    try {
        std::string path = ReadRegistryKeyPath();
        fuzz::Check(!expected.empty(), "a key path without a RegKeys.sys");
        fuzz::Check(path.find_first_of("\r\n") == std::string::npos, "a key path with a line end");
        if (expected != outside && content.substr(0, 3) != "\xEF\xBB\xBF")
            fuzz::Check(path == content.substr(0, content.find_first_of("\r\n")), "the key path is not the first line");
    } catch (const RuntimeError& e) {
        fuzz::Check(expected.empty() && e.Number == FileNotFound, "the key path failed though the file is there");
    }
    ResetCachedKeyPath();
    int32_t code = GetCountryCode();
    fuzz::Check(code == 44 || code == 39 || code == 33 || code == 34 || code == 49 || code == 86,
                "a country code outside the six");
    ResetCachedKeyPath();
    return 0;
}
