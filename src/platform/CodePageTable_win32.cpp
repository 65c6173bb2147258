// Code-page tables through the system's own code pages. Names are "CP1252",
// "WINDOWS-1252" or the bare number, in any letter case.

#include "platform/CodePageTable.h"

#include <windows.h>

#include <charconv>

namespace tessaro {
namespace {

UINT CodePageNumber(std::string_view name) {
    for (std::string_view prefix : {"WINDOWS-", "CP"}) {
        if (name.substr(0, prefix.size()) == prefix) {
            name.remove_prefix(prefix.size());
            break;
        }
    }
    UINT number = 0;
    auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), number);
    if (ec != std::errc{} || end != name.data() + name.size() || number == 0) return 0;
    return number;
}

// The one UTF-16 character the bytes stand for, kUndefined when the page does not
// define them.
char32_t Decode(UINT page, const char* bytes, int size) {
    wchar_t out[2] = {};
    int n = MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, bytes, size, out, 2);
    return n == 1 ? static_cast<char32_t>(out[0]) : kUndefined;
}

}  // namespace

bool ReadCodePage(const std::string& name, CodePageCharacters& page) {
    UINT number = CodePageNumber(name);
    CPINFO info{};
    if (number == 0 || !GetCPInfo(number, &info) || info.MaxCharSize > 2) return false;
    for (size_t r = 0; r + 1 < MAX_LEADBYTES && info.LeadByte[r] != 0; r += 2)
        for (size_t b = info.LeadByte[r]; b <= info.LeadByte[r + 1]; ++b) page.lead[b] = true;
    for (size_t b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        page.single[b] = page.lead[b] ? kUndefined : Decode(number, &byte, 1);
    }
    if (info.MaxCharSize == 2) {
        page.pairs.assign(65536, kUndefined);
        for (size_t lead = 0; lead < 256; ++lead) {
            if (!page.lead[lead]) continue;
            for (size_t trail = 0; trail < 256; ++trail) {
                const char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                page.pairs[lead << 8 | trail] = Decode(number, bytes, 2);
            }
        }
    }
    return true;
}

std::string DefaultCodePageName() { return "CP" + std::to_string(GetACP()); }

}  // namespace tessaro
