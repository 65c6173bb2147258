// The operating-system services on Windows. Paths and texts are in the system's ANSI
// code page throughout, so every call here is the "A" form.

#include "platform/System.h"

#include <tessaro/CodePage.h>

#include <windows.h>

#include <cstdio>

namespace tessaro {

std::string LibraryFolder() {
    HMODULE self = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&LibraryFolder), &self))
        return ".";
    std::string file(MAX_PATH, '\0');
    for (;;) {
        DWORD length = GetModuleFileNameA(self, file.data(), static_cast<DWORD>(file.size()));
        if (length == 0) return ".";
        if (length < file.size()) {
            file.resize(length);
            break;
        }
        file.resize(file.size() * 2);
    }
    size_t backslash = file.find_last_of("\\/");
    return backslash == std::string::npos ? "." : file.substr(0, backslash);
}

bool IsOrdinaryFile(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) == 0;
}

std::string Utf8FileName(const std::string& path) { return ToUtf8(path); }

std::tm LocalTimeNow() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    std::tm local{};
    local.tm_year = now.wYear - 1900;
    local.tm_mon = now.wMonth - 1;
    local.tm_mday = now.wDay;
    local.tm_hour = now.wHour;
    local.tm_min = now.wMinute;
    local.tm_sec = now.wSecond;
    local.tm_wday = now.wDayOfWeek;
    return local;
}

namespace {

// A process whose window station is not visible (a service) has nobody to close a box.
bool CanShowWindows() {
    HWINSTA station = GetProcessWindowStation();
    if (!station) return false;
    USEROBJECTFLAGS flags{};
    if (!GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof flags, nullptr)) return true;
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

}  // namespace

void ShowWarningDefault(const std::string& text) {
    if (CanShowWindows()) {
        MessageBoxA(nullptr, text.c_str(), "Tessaro", MB_OK | MB_ICONWARNING);
    } else {
        std::fprintf(stderr, "tessaro: %s\n", text.c_str());
    }
}

void YieldDefault() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {  // the host's own loop must still see it
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

}  // namespace tessaro
