// The component's single-byte code page: tables built once per page, then
// read without locks. Tables of a page replaced by SetCodePage stay allocated until the
// process ends, so a reader on another thread never sees them go.

#include <tessaro/CodePage.h>
#include <tessaro/RuntimeError.h>

#include "platform/CodePageTable.h"
#include "platform/Text.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <memory>
#include <unordered_map>
#include <vector>

namespace tessaro {
namespace {

// Single-character upper case of the scripts a single-byte Windows or ISO page can hold
// (Latin, Greek, Cyrillic). Characters without one map to themselves.
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
    return c;
}

struct Tables {
    std::string name;
    std::array<char32_t, 256> toUnicode{};
    std::array<char, 256> upper{};
    std::unordered_map<char32_t, char> fromUnicode;
};

Tables* Build(const std::string& name) {
    auto t = std::make_unique<Tables>();
    if (!ReadCodePage(name, t->toUnicode)) throw RuntimeError(InvalidArgument, "Unknown code page: " + name);
    t->name = name;
    for (int b = 255; b >= 0; --b) t->fromUnicode[t->toUnicode[static_cast<size_t>(b)]] = static_cast<char>(b);
    for (int b = 0; b < 256; ++b) {
        char32_t up = UnicodeUpper(t->toUnicode[static_cast<size_t>(b)]);
        auto it = t->fromUnicode.find(up);
        t->upper[static_cast<size_t>(b)] = it != t->fromUnicode.end() ? it->second : static_cast<char>(b);
    }
    return t.release();
}

std::atomic<const Tables*> current{nullptr};
std::mutex building;
std::vector<std::unique_ptr<const Tables>> allBuilt;  // guarded by building

const Tables* Keep(const Tables* t) {
    allBuilt.emplace_back(t);
    return t;
}

const Tables& Current() {
    const Tables* t = current.load(std::memory_order_acquire);
    if (t) return *t;
    std::lock_guard lock(building);
    t = current.load(std::memory_order_acquire);
    if (!t) {
        std::string name = DefaultCodePageName();
        try {
            t = Keep(Build(name));
        } catch (const RuntimeError&) {
            t = Keep(Build("WINDOWS-1252"));
        }
        current.store(t, std::memory_order_release);
    }
    return *t;
}

}  // namespace

void SetCodePage(const std::string& iconvName) {
    const Tables* t = Build(iconvName);
    std::lock_guard lock(building);
    current.store(Keep(t), std::memory_order_release);
}

std::string CodePageName() { return Current().name; }

char UpperCase(char c) { return Current().upper[static_cast<unsigned char>(c)]; }

std::string UpperCase(std::string_view text) {
    const auto& upper = Current().upper;
    std::string out(text.size(), '\0');
    for (size_t i = 0; i < text.size(); ++i) out[i] = upper[static_cast<unsigned char>(text[i])];
    return out;
}

std::string ToUtf8(std::string_view text) {
    const auto& toUnicode = Current().toUnicode;
    std::string out;
    out.reserve(text.size());
    for (char ch : text) AppendUtf8(out, toUnicode[static_cast<unsigned char>(ch)]);
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
        if (!valid) {
            out.push_back('?');
            ++i;
            continue;
        }
        i += len;
        auto it = fromUnicode.find(c);
        out.push_back(it != fromUnicode.end() ? it->second : '?');
    }
    return out;
}

}  // namespace tessaro
