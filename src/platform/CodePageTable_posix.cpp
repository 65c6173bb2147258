// Code-page tables through iconv.

#include "platform/CodePageTable.h"

#include <iconv.h>

#include <cstdlib>

namespace tessaro {

bool ReadCodePage(const std::string& name, std::array<char32_t, 256>& toUnicode) {
    iconv_t cd = iconv_open("UTF-32LE", name.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    for (int b = 0; b < 256; ++b) {
        char in = static_cast<char>(b);
        unsigned char out[16] = {};
        char* inp = &in;
        size_t inLeft = 1;
        char* outp = reinterpret_cast<char*>(out);
        size_t outLeft = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
        char32_t cp = static_cast<char32_t>(b);  // undefined bytes keep their own number
        if (r != static_cast<size_t>(-1) && sizeof out - outLeft == 4)
            cp = char32_t{out[0]} | (char32_t{out[1]} << 8) | (char32_t{out[2]} << 16) | (char32_t{out[3]} << 24);
        toUnicode[static_cast<size_t>(b)] = cp;
    }
    iconv_close(cd);
    return true;
}

std::string DefaultCodePageName() {
    const char* env = std::getenv("TESSARO_CODEPAGE");
    return env && *env ? env : "WINDOWS-1252";
}

}  // namespace tessaro
