// The registry through advapi32: the hives are the system's own, texts are in the
// system's ANSI code page ("A" functions).

#include "platform/Registry.h"

#include <windows.h>

#include <string>

namespace tessaro {

struct RegistryKeyData {
    HKEY key;
};

int32_t RegistryOpenKey(uint32_t hive, std::string_view keyPath, uint32_t options, uint32_t access,
                        RegistryKey* result) {
    *result = nullptr;
    if (hive != kHKeyCurrentUser && hive != kHKeyLocalMachine) return kRegInvalidHandle;
    HKEY root = hive == kHKeyCurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    HKEY key = nullptr;
    std::string path(keyPath);
    LONG status = RegOpenKeyExA(root, path.c_str(), options, static_cast<REGSAM>(access), &key);
    if (status != ERROR_SUCCESS) return static_cast<int32_t>(status);
    *result = new RegistryKeyData{key};
    return kRegSuccess;
}

int32_t RegistryQueryValue(RegistryKey key, std::string_view valueName, uint32_t* type, unsigned char* data,
                           uint32_t* size) {
    if (!key) return kRegInvalidHandle;
    if (data && !size) return kRegInvalidParameter;
    std::string name(valueName);
    DWORD valueType = 0;
    DWORD length = size ? static_cast<DWORD>(*size) : 0;
    LONG status = RegQueryValueExA(key->key, name.c_str(), nullptr, &valueType, data, size ? &length : nullptr);
    if (type) *type = valueType;
    if (size) *size = length;
    return static_cast<int32_t>(status);
}

int32_t RegistryCloseKey(RegistryKey key) {
    if (!key) return kRegInvalidHandle;
    LONG status = RegCloseKey(key->key);
    delete key;
    return static_cast<int32_t>(status);
}

}  // namespace tessaro
