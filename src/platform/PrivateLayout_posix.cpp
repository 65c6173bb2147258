#include <tessaro/PrivateLayout.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace fs = std::filesystem;

namespace tessaro {
namespace {

std::string TemporaryFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string name = std::string(tmp && *tmp ? tmp : "/tmp") + "/tessaro-XXXXXX";
    if (!::mkdtemp(name.data())) throw std::runtime_error("cannot create a temporary folder in " + name);
    return name;
}

}  // namespace

PrivateLayout::PrivateLayout(const std::string& deviceDb) : root(TemporaryFolder()), component(root + "/app/bin") {
    try {
        fs::create_directories(component);
        fs::create_symlink(fs::absolute(deviceDb), root + "/KorvoDEV.dbr");
    } catch (...) {
        std::error_code ec;
        fs::remove_all(root, ec);
        throw;
    }
}

PrivateLayout::~PrivateLayout() {
    std::error_code ec;
    fs::remove_all(root, ec);
}

}  // namespace tessaro
