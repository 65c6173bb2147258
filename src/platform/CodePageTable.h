#pragma once
// Internal: the characters of a code page as the platform reports them
// (CodePageTable_posix.cpp through iconv, CodePageTable_win32.cpp through the system's
// code pages), and the view of the current page the text helpers walk by.

#include <array>
#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tessaro {

// A byte or pair of bytes the page does not define.
constexpr char32_t kUndefined = 0xFFFFFFFF;

struct CodePageCharacters {
    std::array<char32_t, 256> single{};  // the character of each byte alone, kUndefined if none
    std::array<bool, 256> lead{};        // bytes that start a two-byte character
    std::vector<char32_t> pairs;         // lead * 256 + trail -> character; empty on a single-byte page
};

// False when the platform does not know the name or the page has characters of more
// than two bytes.
bool ReadCodePage(const std::string& name, CodePageCharacters& page);

// The page used until the host chooses one: TESSARO_CODEPAGE, else Windows-1252 here;
// the system's ANSI code page on Windows.
std::string DefaultCodePageName();

// The two-byte characters of the current page. A lead byte followed by a trail byte the
// page defines as a pair is one character; every other byte (a lead byte at the end of
// a text or before a byte it does not pair with included) is a character of its own.
struct DoubleByteCharacters {
    std::array<bool, 256> lead{};
    std::vector<char32_t> pairs;  // 65,536 entries, 0 where the pair is undefined

    // The number of bytes of the character starting at text[at].
    size_t Width(std::string_view text, size_t at) const {
        auto b = static_cast<unsigned char>(text[at]);
        if (!lead[b] || at + 1 >= text.size()) return 1;
        return pairs[size_t{b} << 8 | static_cast<unsigned char>(text[at + 1])] != 0 ? 2 : 1;
    }
    // The byte offset `count` characters after byte offset `at`, the end of text at most;
    // count is reduced by the characters passed.
    size_t Skip(std::string_view text, size_t at, size_t& count) const {
        while (count > 0 && at < text.size()) {
            at += Width(text, at);
            --count;
        }
        return at;
    }
};

// The two-byte characters of the current page, null on a single-byte page (then every
// byte is a character), kNoPageYet until the page is first used. Read on every cut of a
// line, so the single-byte case costs one load.
extern const DoubleByteCharacters kNoPageYet;
extern std::atomic<const DoubleByteCharacters*> currentDoubleBytes;
const DoubleByteCharacters* FirstDoubleBytes();  // chooses the default page
inline const DoubleByteCharacters* CurrentDoubleBytes() {
    const DoubleByteCharacters* d = currentDoubleBytes.load(std::memory_order_acquire);
    return d != &kNoPageYet ? d : FirstDoubleBytes();
}

}  // namespace tessaro
