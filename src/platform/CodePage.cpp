// The component's code page: tables built once per page, then read without locks.
// Tables of a page replaced by SetCodePage stay allocated until the process ends, so a
// reader on another thread never sees them go.

#include <tessaro/CodePage.h>
#include <tessaro/RuntimeError.h>

#include "platform/CodePageTable.h"
#include "platform/Text.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace tessaro {
namespace {

// Single-character upper case of the letters an ANSI page can hold (Latin, Greek,
// Cyrillic, full-width Latin). Characters without one map to themselves.
char32_t UnicodeUpper(char32_t c) {
    if (c >= U'a' && c <= U'z') return c - 0x20;
    if (c < 0x80) return c;
    if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 0x20;
    if (c == 0xFF) return 0x178;
    if (c >= 0x100 && c <= 0x137) return c & ~char32_t{1};
    if (c >= 0x139 && c <= 0x148) return (c & 1) ? c : c - 1;
    if (c >= 0x14A && c <= 0x177) return c & ~char32_t{1};
    if (c >= 0x179 && c <= 0x17E) return (c & 1) ? c : c - 1;
    if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 0x20;
    if (c == 0x3AC) return 0x386;
    if (c >= 0x3AD && c <= 0x3AF) return c - 0x25;
    if (c == 0x3CC) return 0x38C;
    if (c == 0x3CD || c == 0x3CE) return c - 0x3F;
    if (c == 0x3CA || c == 0x3CB) return c - 0x20;
    if (c >= 0x430 && c <= 0x44F) return c - 0x20;
    if (c >= 0x450 && c <= 0x45F) return c - 0x50;
    if (c >= 0x460 && c <= 0x4BF) return c & ~char32_t{1};
    if (c == 0x491) return 0x490;
    if (c >= 0x2170 && c <= 0x217F) return c - 0x10;  // small Roman numerals
    if (c >= 0xFF41 && c <= 0xFF5A) return c - 0x20;  // full-width a-z
    return c;
}

// Where a byte the page leaves undefined goes in Unicode, so that it comes back
// unchanged: its own number on a single-byte page (0x81 -> U+0081), a private-use
// character on a double-byte page, whose pages define characters in the Latin-1 range.
char32_t Placeholder(unsigned char b, bool doubleByte) {
    return doubleByte && b >= 0x80 ? char32_t{0xF800} + b : char32_t{b};
}

// A character in the page: one byte (below 0x100) or a lead and a trail byte.
using Code = uint16_t;

struct Tables {
    std::string name;
    std::array<char32_t, 256> toUnicode{};  // lead bytes: the placeholder of a lone one
    std::array<char, 256> upper{};
    bool doubleByte = false;
    DoubleByteCharacters characters;  // pairs filled on a double-byte page only
    std::vector<Code> upperPairs;     // lead * 256 + trail -> its upper case
    std::unordered_map<char32_t, Code> fromUnicode;
};

std::string NormalizedName(const std::string& name) {
    std::string upper;
    for (char c : name) upper.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 0x20) : c);
    bool digits = !upper.empty() && upper.find_first_not_of("0123456789") == std::string::npos;
    return digits ? "CP" + upper : upper;
}

Tables* Build(const std::string& requested) {
    auto t = std::make_unique<Tables>();
    t->name = NormalizedName(requested);
    CodePageCharacters page;
    if (t->name.empty() || !ReadCodePage(t->name, page))
        throw RuntimeError(InvalidArgument, "Unknown code page: \"" + requested + "\"");
    t->doubleByte = !page.pairs.empty();
    for (int b = 0; b < 256; ++b) {
        char32_t c = page.single[static_cast<size_t>(b)];
        if (c == kUndefined || page.lead[static_cast<size_t>(b)]) c = Placeholder(static_cast<unsigned char>(b), t->doubleByte);
        t->toUnicode[static_cast<size_t>(b)] = c;
    }
    auto& from = t->fromUnicode;
    if (t->doubleByte) {
        t->characters.lead = page.lead;
        t->characters.pairs.assign(65536, 0);
        for (size_t code = 65535; code >= 0x100; --code) {
            char32_t c = page.pairs[code];
            if (c == kUndefined || c == 0 || !page.lead[code >> 8]) continue;
            t->characters.pairs[code] = c;
            from[c] = static_cast<Code>(code);
        }
    }
    // Single bytes win over pairs for the same character, lower numbers over higher.
    for (int b = 255; b >= 0; --b) from[t->toUnicode[static_cast<size_t>(b)]] = static_cast<Code>(b);
    auto upperOf = [&](char32_t c, Code same) {
        auto it = from.find(UnicodeUpper(c));
        return it != from.end() ? it->second : same;
    };
    for (int b = 0; b < 256; ++b) {
        Code up = upperOf(t->toUnicode[static_cast<size_t>(b)], static_cast<Code>(b));
        t->upper[static_cast<size_t>(b)] = static_cast<char>(up < 0x100 ? up : b);
    }
    if (t->doubleByte) {
        t->upperPairs.resize(65536);
        for (size_t code = 0; code < 65536; ++code) {
            char32_t c = t->characters.pairs[code];
            t->upperPairs[code] = c ? upperOf(c, static_cast<Code>(code)) : static_cast<Code>(code);
        }
    }
    return t.release();
}

std::atomic<const Tables*> current{nullptr};
std::mutex building;
std::vector<std::unique_ptr<const Tables>> allBuilt;  // guarded by building

// Makes t the current page; the caller holds building.
void MakeCurrent(std::unique_ptr<const Tables> t) {
    current.store(t.get(), std::memory_order_release);
    currentDoubleBytes.store(t->doubleByte ? &t->characters : nullptr, std::memory_order_release);
    allBuilt.push_back(std::move(t));
}

const Tables& Current() {
    const Tables* t = current.load(std::memory_order_acquire);
    if (t) return *t;
    std::lock_guard lock(building);
    t = current.load(std::memory_order_acquire);
    if (!t) {
        std::string name = DefaultCodePageName();
        std::unique_ptr<const Tables> built;
        try {
            built.reset(Build(name));
        } catch (const RuntimeError&) {
            throw RuntimeError(InvalidArgument, "TESSARO_CODEPAGE: \"" + name + "\" is not a code page known here");
        }
        t = built.get();
        MakeCurrent(std::move(built));
    }
    return *t;
}

void AppendCode(std::string& out, Code code) {
    if (code >= 0x100) out.push_back(static_cast<char>(code >> 8));
    out.push_back(static_cast<char>(code & 0xFF));
}

}  // namespace

const DoubleByteCharacters kNoPageYet;
std::atomic<const DoubleByteCharacters*> currentDoubleBytes{&kNoPageYet};

const DoubleByteCharacters* FirstDoubleBytes() {
    const Tables& t = Current();
    return t.doubleByte ? &t.characters : nullptr;
}

void SetCodePage(const std::string& name) {
    std::unique_ptr<const Tables> built(Build(name));
    std::lock_guard lock(building);
    MakeCurrent(std::move(built));
}

std::string CodePageName() { return Current().name; }

void AppendUpperCase(std::string& out, std::string_view text) {
    const Tables& t = Current();
    const auto& upper = t.upper;
    if (!t.doubleByte) {
        const size_t at = out.size();
        out.resize(at + text.size());
        char* to = out.data() + at;
        for (char c : text) *to++ = upper[static_cast<unsigned char>(c)];
        return;
    }
    for (size_t i = 0; i < text.size();) {
        auto b = static_cast<unsigned char>(text[i]);
        if (t.characters.Width(text, i) == 1) {
            out.push_back(upper[b]);
            ++i;
        } else {
            AppendCode(out, t.upperPairs[size_t{b} << 8 | static_cast<unsigned char>(text[i + 1])]);
            i += 2;
        }
    }
}

std::string UpperCase(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    AppendUpperCase(out, text);
    return out;
}

std::string ToUtf8(std::string_view text) {
    const Tables& t = Current();
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        auto b = static_cast<unsigned char>(text[i]);
        if (t.doubleByte && t.characters.Width(text, i) == 2) {
            AppendUtf8(out, t.characters.pairs[size_t{b} << 8 | static_cast<unsigned char>(text[i + 1])]);
            i += 2;
        } else {
            AppendUtf8(out, t.toUnicode[b]);
            ++i;
        }
    }
    return out;
}

std::string FromUtf8(std::string_view utf8) {
    const auto& fromUnicode = Current().fromUnicode;
    std::string out;
    out.reserve(utf8.size());
    size_t i = 0;
    while (i < utf8.size()) {
        auto b = static_cast<unsigned char>(utf8[i]);
        char32_t c = 0;
        size_t len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
        if (len == 0 || i + len > utf8.size()) {
            out.push_back('?');
            ++i;
            continue;
        }
        c = len == 1 ? char32_t{b} : char32_t{b} & (char32_t{0x7F} >> len);
        bool valid = true;
        for (size_t k = 1; k < len; ++k) {
            auto cont = static_cast<unsigned char>(utf8[i + k]);
            if ((cont & 0xC0) != 0x80) valid = false;
            c = (c << 6) | (cont & 0x3F);
        }
        // Only the shortest form of a scalar value is UTF-8: an overlong form ("\xC0\x8D"
        // for a CR) or a surrogate would smuggle in a character the bytes do not show.
        constexpr char32_t kSmallest[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (!valid || c < kSmallest[len] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            out.push_back('?');
            ++i;
            continue;
        }
        i += len;
        auto it = fromUnicode.find(c);
        if (it != fromUnicode.end())
            AppendCode(out, it->second);
        else
            out.push_back('?');
    }
    return out;
}

}  // namespace tessaro
