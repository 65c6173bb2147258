// The .reg hive parser: any file gives keys or "not found", never a crash. For every key
// the input names and every value name it writes: the results are the documented codes;
// a value read with a buffer of exactly its size gives the same type and size as the
// size query; one byte less gives "more data" and the size needed; reading twice gives
// the same bytes; the language functions' reader never fails.
#include "FuzzSupport.h"
#include "messages/LanguageManager.h"
#include "platform/Registry.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace tessaro;

// Key paths of the "[...]" lines under the per-user hive, and value names of the
// "name"= lines, as written (escapes left as they are); at most a few of each.
void NamesIn(std::string_view input, std::vector<std::string>& keys, std::vector<std::string>& values) {
    keys.push_back("");
    values.push_back("");
    size_t from = 0;
    while (from < input.size() && keys.size() < 6 && values.size() < 10) {
        size_t end = input.find_first_of("\r\n", from);
        std::string_view line = input.substr(from, end == std::string_view::npos ? std::string_view::npos : end - from);
        from = end == std::string_view::npos ? input.size() : end + 1;
        if (line.size() > 2 && line.front() == '[') {
            std::string_view path = line.substr(1, line.find(']') == std::string_view::npos ? line.size() - 1 : line.find(']') - 1);
            size_t slash = path.find('\\');
            keys.emplace_back(slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1));
        } else if (line.size() > 2 && line.front() == '"') {
            size_t close = line.find('"', 1);
            if (close != std::string_view::npos) values.emplace_back(line.substr(1, close - 1));
        }
    }
}

void CheckValue(RegistryKey key, const std::string& name) {
    uint32_t type = 99, size = 0;
    int32_t result = RegistryQueryValue(key, name, &type, nullptr, &size);
    fuzz::Check(result == kRegSuccess || result == kRegFileNotFound, "a value query with an undocumented result");
    if (result != kRegSuccess) return;
    std::vector<unsigned char> data(size + 1, 0xAB);
    uint32_t exact = size, exactType = 98;
    fuzz::Check(RegistryQueryValue(key, name, &exactType, data.data(), &exact) == kRegSuccess,
                "a value does not fit a buffer of its own size");
    fuzz::Check(exact == size && exactType == type, "size or type differ between the two queries");
    fuzz::Check(data[size] == 0xAB, "a value written past its size");
    std::vector<unsigned char> again(size + 1, 0xAB);
    uint32_t againSize = size;
    RegistryQueryValue(key, name, nullptr, again.data(), &againSize);
    fuzz::Check(again == data, "a value reads differently the second time");
    if (size > 0) {
        uint32_t small = size - 1;
        fuzz::Check(RegistryQueryValue(key, name, nullptr, data.data(), &small) == kRegMoreData && small == size,
                    "a buffer one byte short is not answered with the size needed");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    static const std::string hive = fuzz::WriteInput("user.reg", "");
    static const bool environment = [] {
        setenv("TESSARO_USER_REGISTRY", hive.c_str(), 1);
        setenv("TESSARO_MACHINE_REGISTRY", (fuzz::Scratch() / "no-machine.reg").c_str(), 1);
        return true;
    }();
    (void)environment;
    fuzz::WriteInput("user.reg", input);

    std::vector<std::string> keys, values;
    NamesIn(input, keys, values);
    for (const std::string& path : keys) {
        RegistryKey key = nullptr;
        int32_t result = RegistryOpenKey(kHKeyCurrentUser, path, 0, kKeyRead, &key);
        fuzz::Check(result == kRegSuccess || result == kRegFileNotFound, "an open with an undocumented result");
        fuzz::Check((result == kRegSuccess) == (key != nullptr), "a key handle that does not match the result");
        if (!key) continue;
        for (const std::string& name : values) {
            CheckValue(key, name);
            std::string text = ReadRegistryValue(kHKeyCurrentUser, path, name);  // never fails
            fuzz::Check(text.find('\0') == std::string::npos, "a value text with a zero byte");
        }
        fuzz::Check(RegistryCloseKey(key) == kRegSuccess, "an open key does not close");
        RegistryKey other = nullptr;
        fuzz::Check(RegistryOpenKey(kHKeyLocalMachine, path, 0, kKeyRead, &other) == kRegFileNotFound && !other,
                    "a key found in the machine hive, which has no file");
        fuzz::Check(RegistryOpenKey(kHKeyCurrentUser, path, 0, 0xF003F, &other) == kRegAccessDenied && !other,
                    "write access granted");
    }
    return 0;
}
