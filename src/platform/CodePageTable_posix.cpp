// Code-page tables through iconv.

#include "platform/CodePageTable.h"

#include <iconv.h>

#include <cerrno>
#include <cstdlib>

namespace tessaro {
namespace {

enum class Read { Character, Incomplete, Invalid };

// The one character the bytes stand for.
Read Convert(iconv_t cd, const char* bytes, size_t size, char32_t& character) {
    char in[2] = {bytes[0], size > 1 ? bytes[1] : '\0'};
    unsigned char out[16] = {};
    char* inp = in;
    size_t inLeft = size;
    char* outp = reinterpret_cast<char*>(out);
    size_t outLeft = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
    if (r == static_cast<size_t>(-1)) return errno == EINVAL ? Read::Incomplete : Read::Invalid;
    if (inLeft != 0 || sizeof out - outLeft != 4) return Read::Invalid;
    character = char32_t{out[0]} | (char32_t{out[1]} << 8) | (char32_t{out[2]} << 16) | (char32_t{out[3]} << 24);
    return Read::Character;
}

}  // namespace

bool ReadCodePage(const std::string& name, CodePageCharacters& page) {
    iconv_t cd = iconv_open("UTF-32LE", name.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    bool usable = true;
    bool anyLead = false;
    for (size_t b = 0; b < 256; ++b) {
        char byte = static_cast<char>(b);
        char32_t c = kUndefined;
        Read r = Convert(cd, &byte, 1, c);
        page.single[b] = r == Read::Character ? c : kUndefined;
        page.lead[b] = r == Read::Incomplete;
        anyLead = anyLead || page.lead[b];
        if (b < 0x80 && r != Read::Character) usable = false;  // not an ANSI page (UTF-16, ...)
    }
    if (usable && anyLead) {
        page.pairs.assign(65536, kUndefined);
        for (size_t lead = 0x80; lead < 256 && usable; ++lead) {
            if (!page.lead[lead]) continue;
            for (size_t trail = 0; trail < 256; ++trail) {
                const char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                char32_t c = kUndefined;
                Read r = Convert(cd, bytes, 2, c);
                if (r == Read::Incomplete) usable = false;  // characters of three or more bytes
                if (r == Read::Character) page.pairs[lead << 8 | trail] = c;
            }
        }
    }
    iconv_close(cd);
    return usable;
}

std::string DefaultCodePageName() {
    const char* env = std::getenv("TESSARO_CODEPAGE");
    return env && *env ? env : "WINDOWS-1252";
}

}  // namespace tessaro
