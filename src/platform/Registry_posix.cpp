// The settings hives as ".reg" files; see Registry.h for the format and the rules.
//
// RegistryOpenKey reads the hive file whole, decodes it to UTF-8, parses it into keys
// and values and keeps a copy of the values of the one key asked for. Texts stay UTF-8
// until a query converts them into the component's code page.

#include "platform/Registry.h"
#include "platform/Text.h"

#include <tessaro/CodePage.h>

#include <algorithm>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace tessaro {

namespace {

struct Value {
    uint32_t type = kRegNone;
    std::string data;       // UTF-8 text (type 1, 2, 7) or raw bytes
    bool isText = false;    // data is UTF-8 text to be converted at query time
    bool addZero = false;   // a quoted text: the terminating zero is added at query time
};

}  // namespace

struct RegistryKeyData {
    std::map<std::string, Value> values;  // by folded name
};

namespace {

// ---- Decoding the file into UTF-8 ----------------------------------------------------

// UTF-16LE bytes to UTF-8; an unpaired surrogate becomes U+FFFD, an odd last byte is
// dropped. Zero code units stay (as zero bytes).
std::string Utf16LeToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    size_t n = bytes.size() / 2;
    auto unit = [&](size_t k) {
        return char32_t{static_cast<unsigned char>(bytes[2 * k])} |
               (char32_t{static_cast<unsigned char>(bytes[2 * k + 1])} << 8);
    };
    for (size_t k = 0; k < n; ++k) {
        char32_t c = unit(k);
        if (c >= 0xD800 && c <= 0xDBFF && k + 1 < n && unit(k + 1) >= 0xDC00 && unit(k + 1) <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(k + 1) - 0xDC00);
            ++k;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        AppendUtf8(out, c);
    }
    return out;
}

bool IsValidUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        auto b = static_cast<unsigned char>(s[i]);
        size_t len = b < 0x80 ? 1 : (b >= 0xC2 && b <= 0xDF) ? 2 : (b >= 0xE0 && b <= 0xEF) ? 3
                                     : (b >= 0xF0 && b <= 0xF4) ? 4 : 0;
        if (len == 0 || i + len > s.size()) return false;
        for (size_t k = 1; k < len; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += len;
    }
    return true;
}

// Windows-1252 to UTF-8; the five bytes the page leaves undefined keep their number.
std::string Windows1252ToUtf8(std::string_view s) {
    static constexpr char16_t k80[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    std::string out;
    out.reserve(s.size() + s.size() / 4);
    for (char ch : s) {
        auto b = static_cast<unsigned char>(ch);
        AppendUtf8(out, b >= 0x80 && b < 0xA0 ? k80[b - 0x80] : char32_t{b});
    }
    return out;
}

// 8-bit text of unknown encoding: UTF-8 when it is valid UTF-8, else Windows-1252.
std::string EightBitToUtf8(std::string_view s) {
    return IsValidUtf8(s) ? std::string(s) : Windows1252ToUtf8(s);
}

std::string DecodeFile(const std::string& raw) {
    if (raw.size() >= 2 && raw[0] == '\xFF' && raw[1] == '\xFE') return Utf16LeToUtf8(std::string_view(raw).substr(2));
    if (raw.size() >= 3 && raw.compare(0, 3, "\xEF\xBB\xBF") == 0) return raw.substr(3);
    return EightBitToUtf8(raw);
}

// ---- Names ------------------------------------------------------------------------------

// A name or path written in UTF-8, in the form names are compared in: the component's
// code page, upper case. Empty when the name holds a character the code page lacks (it
// cannot then equal any name a caller can pass).
std::optional<std::string> FoldUtf8(std::string_view utf8) {
    std::string page = FromUtf8(utf8);
    auto questions = [](std::string_view s) { return std::count(s.begin(), s.end(), '?'); };
    if (questions(page) != questions(utf8)) return std::nullopt;
    return UpperCase(page);
}

// A key path with its empty components removed: "\A\\B\" is "A\B".
std::string NormalizePath(std::string_view path) {
    std::string out;
    size_t i = 0;
    while (i <= path.size()) {
        size_t end = path.find('\\', i);
        if (end == std::string_view::npos) end = path.size();
        if (end > i) {
            if (!out.empty()) out.push_back('\\');
            out.append(path.substr(i, end - i));
        }
        i = end + 1;
    }
    return out;
}

bool IsAsciiCaseEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
        if (x != y) return false;
    }
    return true;
}

// The hive a section's root names, 0 for none.
uint32_t HiveOfRoot(std::string_view root) {
    if (IsAsciiCaseEqual(root, "HKEY_CURRENT_USER") || IsAsciiCaseEqual(root, "HKCU")) return kHKeyCurrentUser;
    if (IsAsciiCaseEqual(root, "HKEY_LOCAL_MACHINE") || IsAsciiCaseEqual(root, "HKLM")) return kHKeyLocalMachine;
    return 0;
}

// ---- The parser ---------------------------------------------------------------------------

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
    return s;
}

std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
    return s;
}

// Nothing but blanks or a comment left.
bool IsEndOfLine(std::string_view rest) {
    rest = TrimLeft(rest);
    return rest.empty() || rest.front() == ';';
}

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines.push_back(text.substr(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            start = i + 1;
        }
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

// A quoted text at the start of s ("..." with \" and \\); advances s past it.
std::optional<std::string> ReadQuoted(std::string_view& s) {
    if (s.empty() || s.front() != '"') return std::nullopt;
    std::string out;
    for (size_t i = 1; i < s.size(); ++i) {
        char c = s[i];
        if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '"' || s[i + 1] == '\\')) {
            out.push_back(s[++i]);
        } else if (c == '"') {
            s.remove_prefix(i + 1);
            return out;
        } else {
            out.push_back(c);
        }
    }
    return std::nullopt;  // no closing quote
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A hexadecimal number of 1 to maxDigits digits, the whole of s.
std::optional<uint32_t> ReadHexNumber(std::string_view s, size_t maxDigits) {
    if (s.empty() || s.size() > maxDigits) return std::nullopt;
    uint32_t n = 0;
    for (char c : s) {
        int d = HexDigit(c);
        if (d < 0) return std::nullopt;
        n = n * 16 + static_cast<uint32_t>(d);
    }
    return n;
}

// "01,02, ff" (the continuation backslashes already removed): the bytes.
std::optional<std::string> ReadHexBytes(std::string_view s) {
    std::string out;
    s = TrimLeft(TrimRight(s));
    if (s.empty()) return out;
    size_t i = 0;
    for (;;) {
        size_t comma = s.find(',', i);
        std::string_view item = TrimLeft(TrimRight(s.substr(i, comma == std::string_view::npos ? s.npos : comma - i)));
        auto byte = ReadHexNumber(item, 2);
        if (!byte) {
            // A trailing comma before a comment or the end is allowed.
            if (item.empty() && comma == std::string_view::npos) return out;
            return std::nullopt;
        }
        out.push_back(static_cast<char>(*byte));
        if (comma == std::string_view::npos) return out;
        i = comma + 1;
    }
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && IsAsciiCaseEqual(s.substr(0, prefix.size()), prefix);
}

class Parser {
public:
    Parser(uint32_t hive, std::string_view text) : hive_(hive), lines_(SplitLines(text)) {}

    void Run() {
        bool first = true;
        for (line_ = 0; line_ < lines_.size(); ++line_) {
            std::string_view s = TrimLeft(lines_[line_]);
            if (s.empty() || s.front() == ';') continue;
            if (first) {
                first = false;
                std::string_view header = TrimRight(s);
                if (header == "Windows Registry Editor Version 5.00") continue;
                if (header == "REGEDIT4") {
                    unicodeHex_ = false;
                    continue;
                }
            }
            if (s.front() == '[') {
                Section(s);
            } else if (s.front() == '"' || s.front() == '@') {
                ValueLine(s);
            }
            // Anything else is malformed and skipped.
        }
    }

    bool KeyExists(const std::string& folded) const { return keys_.count(folded) != 0; }

    const std::map<std::string, Value>* ValuesOf(const std::string& folded) const {
        auto it = values_.find(folded);
        return it == values_.end() ? nullptr : &it->second;
    }

private:
    void Section(std::string_view s) {
        current_.reset();
        size_t close = s.rfind(']');
        if (close == std::string_view::npos || !IsEndOfLine(s.substr(close + 1))) return;
        std::string_view inside = s.substr(1, close - 1);
        bool remove = !inside.empty() && inside.front() == '-';
        if (remove) inside.remove_prefix(1);
        size_t slash = inside.find('\\');
        std::string_view root = slash == std::string_view::npos ? inside : inside.substr(0, slash);
        if (HiveOfRoot(root) != hive_) return;
        auto folded = FoldUtf8(NormalizePath(slash == std::string_view::npos ? std::string_view{} : inside.substr(slash + 1)));
        if (!folded) return;
        if (remove) {
            RemoveKey(*folded);
            return;
        }
        // The key and every key above it exist.
        keys_.insert(*folded);
        for (size_t at = folded->rfind('\\'); at != std::string::npos; at = folded->rfind('\\', at - 1)) {
            keys_.insert(folded->substr(0, at));
            if (at == 0) break;
        }
        keys_.insert(std::string{});
        current_ = *folded;
    }

    void RemoveKey(const std::string& folded) {
        auto below = [&](const std::string& path) {
            return path == folded || folded.empty() ||
                   (path.size() > folded.size() && path.compare(0, folded.size(), folded) == 0 && path[folded.size()] == '\\');
        };
        std::erase_if(keys_, below);
        std::erase_if(values_, [&](const auto& entry) { return below(entry.first); });
    }

    void ValueLine(std::string_view s) {
        // Hex data may go on over the next lines, each ending in a backslash but the last.
        std::string logical(TrimRight(s));
        while (!logical.empty() && logical.back() == '\\' && IsHexData(logical) && line_ + 1 < lines_.size()) {
            logical.pop_back();
            logical.append(TrimRight(TrimLeft(lines_[++line_])));
        }
        if (!current_) return;  // a value outside any section of this hive
        std::string_view rest = logical;
        std::string name;
        if (rest.front() == '@') {
            rest.remove_prefix(1);
        } else {
            auto quoted = ReadQuoted(rest);
            if (!quoted) return;
            name = std::move(*quoted);
        }
        rest = TrimLeft(rest);
        if (rest.empty() || rest.front() != '=') return;
        rest = TrimLeft(rest.substr(1));
        auto foldedName = FoldUtf8(name);
        if (!foldedName) return;
        auto& values = values_[*current_];
        if (!rest.empty() && rest.front() == '-') {
            if (IsEndOfLine(rest.substr(1))) values.erase(*foldedName);
            return;
        }
        if (auto value = ReadData(rest)) values[*foldedName] = std::move(*value);
    }

    // Whether a value line's data is hexadecimal (so that it may continue).
    static bool IsHexData(std::string_view line) {
        std::string_view rest = line;
        if (rest.front() == '@') {
            rest.remove_prefix(1);
        } else if (!ReadQuoted(rest)) {
            return false;
        }
        rest = TrimLeft(rest);
        if (rest.empty() || rest.front() != '=') return false;
        return StartsWithNoCase(TrimLeft(rest.substr(1)), "hex");
    }

    std::optional<Value> ReadData(std::string_view rest) const {
        Value v;
        if (!rest.empty() && rest.front() == '"') {
            auto text = ReadQuoted(rest);
            if (!text || !IsEndOfLine(rest)) return std::nullopt;
            v.type = kRegSz;
            v.data = std::move(*text);
            v.isText = true;
            v.addZero = true;
            return v;
        }
        if (StartsWithNoCase(rest, "dword:")) {
            rest.remove_prefix(6);
            size_t end = rest.find_first_of(" \t;");
            if (!IsEndOfLine(rest.substr(end == std::string_view::npos ? rest.size() : end))) return std::nullopt;
            auto n = ReadHexNumber(rest.substr(0, end), 8);
            if (!n) return std::nullopt;
            v.type = kRegDword;
            for (int k = 0; k < 4; ++k) v.data.push_back(static_cast<char>((*n >> (8 * k)) & 0xFF));
            return v;
        }
        if (StartsWithNoCase(rest, "hex")) {
            rest.remove_prefix(3);
            v.type = kRegBinary;
            if (!rest.empty() && rest.front() == '(') {
                size_t close = rest.find(')');
                if (close == std::string_view::npos) return std::nullopt;
                auto type = ReadHexNumber(rest.substr(1, close - 1), 8);
                if (!type) return std::nullopt;
                v.type = *type;
                rest.remove_prefix(close + 1);
            }
            if (rest.empty() || rest.front() != ':') return std::nullopt;
            rest.remove_prefix(1);
            size_t comment = rest.find(';');
            auto bytes = ReadHexBytes(rest.substr(0, comment));
            if (!bytes) return std::nullopt;
            if (v.type == kRegSz || v.type == kRegExpandSz || v.type == kRegMultiSz) {
                v.data = unicodeHex_ ? Utf16LeToUtf8(*bytes) : EightBitToUtf8(*bytes);
                v.isText = true;
            } else {
                v.data = std::move(*bytes);
            }
            return v;
        }
        return std::nullopt;
    }

    uint32_t hive_;
    std::vector<std::string_view> lines_;
    size_t line_ = 0;
    bool unicodeHex_ = true;  // hex(1), hex(2), hex(7) hold UTF-16LE (version 5.00)
    std::optional<std::string> current_;  // folded path of the section being read
    std::set<std::string> keys_;
    std::map<std::string, std::map<std::string, Value>> values_;
};

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The hive file whole; false when it is not an ordinary readable file (a folder, a
// device) or larger than kMaxHiveSize.
constexpr long kMaxHiveSize = 64L * 1024 * 1024;

bool ReadWholeFile(const std::string& path, std::string& bytes) {
    if (path.empty()) return false;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > kMaxHiveSize) return false;
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (!in) return false;
    char chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, in)) > 0) {
        bytes.append(chunk, got);
        if (bytes.size() > static_cast<size_t>(kMaxHiveSize)) break;
    }
    bool ok = std::ferror(in) == 0 && bytes.size() <= static_cast<size_t>(kMaxHiveSize);
    std::fclose(in);
    return ok;
}

}  // namespace

std::string HiveFile(uint32_t hive) {
    if (hive == kHKeyCurrentUser) {
        if (auto file = Environment("TESSARO_USER_REGISTRY"); !file.empty()) return file;
        if (auto config = Environment("XDG_CONFIG_HOME"); !config.empty()) return config + "/tessaro/user.reg";
        if (auto home = Environment("HOME"); !home.empty()) return home + "/.config/tessaro/user.reg";
        return {};
    }
    if (hive == kHKeyLocalMachine) {
        if (auto file = Environment("TESSARO_MACHINE_REGISTRY"); !file.empty()) return file;
        return "/etc/tessaro/machine.reg";
    }
    return {};
}

int32_t RegistryOpenKey(uint32_t hive, std::string_view keyPath, uint32_t /*options*/, uint32_t access,
                        RegistryKey* result) {
    if (!result) return kRegInvalidParameter;
    *result = nullptr;
    if (hive != kHKeyCurrentUser && hive != kHKeyLocalMachine) return kRegInvalidHandle;
    if ((access & ~kKeyRead) != 0) return kRegAccessDenied;
    std::string raw;
    if (!ReadWholeFile(HiveFile(hive), raw)) return kRegFileNotFound;
    std::string text = DecodeFile(raw);
    Parser parser(hive, text);
    parser.Run();
    std::string folded = UpperCase(NormalizePath(keyPath));
    if (!folded.empty() && !parser.KeyExists(folded)) return kRegFileNotFound;
    auto key = new RegistryKeyData;
    if (const auto* values = parser.ValuesOf(folded)) key->values = *values;
    *result = key;
    return kRegSuccess;
}

int32_t RegistryQueryValue(RegistryKey key, std::string_view valueName, uint32_t* type, unsigned char* data,
                           uint32_t* size) {
    if (!key) return kRegInvalidHandle;
    if (data && !size) return kRegInvalidParameter;
    auto it = key->values.find(UpperCase(valueName));
    if (it == key->values.end()) return kRegFileNotFound;
    const Value& v = it->second;
    std::string bytes = v.isText ? FromUtf8(v.data) : v.data;
    if (v.addZero) bytes.push_back('\0');
    if (type) *type = v.type;
    if (!size) return kRegSuccess;
    uint32_t capacity = *size;
    *size = static_cast<uint32_t>(bytes.size());
    if (!data) return kRegSuccess;
    if (bytes.size() > capacity) return kRegMoreData;
    std::copy(bytes.begin(), bytes.end(), data);
    return kRegSuccess;
}

int32_t RegistryCloseKey(RegistryKey key) {
    if (!key) return kRegInvalidHandle;
    delete key;
    return kRegSuccess;
}

}  // namespace tessaro
