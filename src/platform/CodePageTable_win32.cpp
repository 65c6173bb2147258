// Code-page tables through the system's own code pages. Names are "CP1252",
// "WINDOWS-1252" or the bare number, in any letter case.

#include "platform/CodePageTable.h"

#include <windows.h>

#include <cctype>
#include <charconv>

namespace tessaro {
namespace {

UINT CodePageNumber(const std::string& name) {
    std::string upper;
    for (char c : name) upper.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    std::string_view digits = upper;
    for (std::string_view prefix : {"WINDOWS-", "CP"}) {
        if (digits.substr(0, prefix.size()) == prefix) {
            digits.remove_prefix(prefix.size());
            break;
        }
    }
    UINT number = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (ec != std::errc{} || end != digits.data() + digits.size() || number == 0) return 0;
    return number;
}

}  // namespace

bool ReadCodePage(const std::string& name, std::array<char32_t, 256>& toUnicode) {
    UINT page = CodePageNumber(name);
    CPINFO info{};
    if (page == 0 || !GetCPInfo(page, &info) || info.MaxCharSize != 1) return false;
    for (int b = 0; b < 256; ++b) {
        char in = static_cast<char>(b);
        wchar_t out[2] = {};
        int n = MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, &in, 1, out, 2);
        toUnicode[static_cast<size_t>(b)] = n == 1 ? static_cast<char32_t>(out[0]) : static_cast<char32_t>(b);
    }
    return true;
}

std::string DefaultCodePageName() { return "CP" + std::to_string(GetACP()); }

}  // namespace tessaro
