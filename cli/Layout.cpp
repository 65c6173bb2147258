#include "Layout.h"

#include "TemporaryFiles.h"

#include "messages/LanguageManager.h"

#include <tessaro/CodePage.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tessaro::cli {
namespace {

void WriteText(const std::string& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) throw std::runtime_error("cannot write " + file);
}

}  // namespace

std::string TemporaryName(const std::string& pattern, bool folder) {
    const char* tmp = std::getenv("TMPDIR");
    std::string name = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + pattern;
    if (folder) {
        if (!::mkdtemp(name.data())) throw std::runtime_error("cannot create a temporary folder in " + name);
    } else {
        int fd = ::mkstemp(name.data());
        if (fd < 0) throw std::runtime_error("cannot create a temporary file in " + name);
        ::close(fd);
    }
    RememberTemporary(name);
    return name;
}

std::string SampleDeviceDb() {
    std::error_code ec;
    fs::path folder = fs::read_symlink("/proc/self/exe", ec).parent_path();
    fs::path installed = (folder / TESSARO_INSTALLED_SAMPLE_DB).lexically_normal();
    fs::path built = (folder / "../samples/KorvoDEV.dbr").lexically_normal();
    return (!fs::is_regular_file(installed, ec) && fs::is_regular_file(built, ec) ? built : installed).string();
}

LanguageChoice::LanguageChoice(std::optional<int32_t> languageId, const std::string& component) {
    if (!languageId) return;
    std::string keyPath = "Software\\Tessaro";
    if (FindRegKeysFile().empty()) {
        placedRegKeys_ = component + "/RegKeys.sys";
        RememberTemporary(placedRegKeys_);
        WriteText(placedRegKeys_, keyPath + "\r\n");
    } else {
        keyPath = ReadRegistryKeyPath();
    }
    hive_ = TemporaryName("tessaro-user-XXXXXX", false);
    WriteText(hive_, "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\" + ToUtf8(keyPath) +
                         "]\r\n\"LanguageId\"=\"" + std::to_string(*languageId) + "\"\r\n");
    if (const char* previous = std::getenv("TESSARO_USER_REGISTRY")) previousHive_ = previous;
    ::setenv("TESSARO_USER_REGISTRY", hive_.c_str(), 1);
}

LanguageChoice::~LanguageChoice() {
    if (hive_.empty()) return;
    if (previousHive_) {
        ::setenv("TESSARO_USER_REGISTRY", previousHive_->c_str(), 1);
    } else {
        ::unsetenv("TESSARO_USER_REGISTRY");
    }
    std::error_code ec;
    fs::remove(hive_, ec);
    ForgetTemporary(hive_);
    if (!placedRegKeys_.empty()) {
        fs::remove(placedRegKeys_, ec);
        ForgetTemporary(placedRegKeys_);
    }
}

}  // namespace tessaro::cli
