#include "platform/Text.h"

#include "platform/CodePageTable.h"

#include <tessaro/RuntimeError.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace tessaro {

std::string_view TrimBlanks(std::string_view text) {
    size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

// On a single-byte page every byte is a character, and the byte-wise forms in Text.h
// are the whole work. A double-byte page walks the text character by character here,
// unless the part of the text that matters is ASCII: no ASCII byte is part of a
// two-byte character there, so such a text needs no decoding.

namespace {

bool IsAscii(std::string_view text) {
    unsigned char any = 0;
    for (char c : text) any |= static_cast<unsigned char>(c);
    return any < 0x80;
}

}  // namespace

std::string_view CharacterColumns(std::string_view text, size_t first, size_t count) {
    if (first < 1) return {};
    const DoubleByteCharacters* d = CurrentDoubleBytes();
    const size_t through = first - 1 + std::min(count, text.size());  // no more bytes than these matter
    if (!d || IsAscii(text.substr(0, through))) {
        return first > text.size() ? std::string_view() : text.substr(first - 1, count);
    }
    size_t skip = first - 1;
    size_t begin = d->Skip(text, 0, skip);
    if (begin >= text.size()) return {};
    return text.substr(begin, d->Skip(text, begin, count) - begin);
}

size_t CharacterCount(std::string_view text) {
    const DoubleByteCharacters* d = CurrentDoubleBytes();
    if (!d || IsAscii(text)) return text.size();
    size_t count = 0;
    for (size_t at = 0; at < text.size(); at += d->Width(text, at)) ++count;
    return count;
}

std::string_view LastColumns(std::string_view text, size_t count) {
    size_t characters = CharacterCount(text);
    return characters <= count ? text : ColumnsFrom(text, characters - count + 1);
}

void FitColumns(std::string& text, size_t count, size_t from) {
    const std::string_view part = std::string_view(text).substr(from);
    const size_t kept = Columns(part, 1, count).size();
    const size_t characters = CharacterCount(part.substr(0, kept));
    text.resize(from + kept);
    text.append(count - characters, ' ');
}

size_t CharacterPosition(std::string_view text, std::string_view what, size_t start) {
    if (start < 1) start = 1;
    const DoubleByteCharacters* d = CurrentDoubleBytes();
    if (!d || IsAscii(text)) {
        if (start > text.size() + 1) return 0;
        size_t at = text.find(what, start - 1);
        return at == std::string_view::npos ? 0 : at + 1;
    }
    size_t skip = start - 1;
    size_t at = d->Skip(text, 0, skip);
    if (skip > 0) return 0;  // start lies beyond the end
    size_t characters = start - 1;  // before byte at
    for (;;) {
        size_t found = text.find(what, at);
        if (found == std::string_view::npos) return 0;
        while (at < found) {
            at += d->Width(text, at);
            ++characters;
        }
        if (at == found) return characters + 1;
        // found starts inside a character: look again after it
    }
}

namespace {

bool IsNumberBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

double NumberIn(std::string_view text) {
    // Gather the significant digits without blanks and let from_chars round them
    // correctly. At most kKeep digits are kept (more cannot change a double); the
    // digits dropped still count toward the decimal exponent.
    constexpr size_t kKeep = 800;
    std::string significant;
    long long exponent = 0;  // value = significant * 10^exponent
    size_t i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && IsNumberBlank(text[i])) ++i;
    };
    skipBlanks();
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    bool anyDigit = false;
    bool inFraction = false;
    for (;; ++i) {
        skipBlanks();
        if (i >= text.size()) break;
        char c = text[i];
        if (c == '.' && !inFraction) {
            inFraction = true;
            continue;
        }
        if (!IsDigit(c)) break;
        anyDigit = true;
        if (significant.empty() && c == '0') {
            if (inFraction) --exponent;  // leading zero of a fraction
            continue;
        }
        if (significant.size() < kKeep) {
            significant.push_back(c);
            if (inFraction) --exponent;
        } else if (!inFraction) {
            ++exponent;  // an integer digit beyond those kept
        }
    }
    if (!anyDigit) return 0.0;
    if (i < text.size() && (text[i] == 'E' || text[i] == 'e' || text[i] == 'D' || text[i] == 'd')) {
        size_t j = i + 1;
        auto skip = [&] {
            while (j < text.size() && IsNumberBlank(text[j])) ++j;
        };
        skip();
        bool expNegative = false;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            expNegative = text[j] == '-';
            ++j;
        }
        long long written = 0;
        for (;; ++j) {
            skip();
            if (j >= text.size() || !IsDigit(text[j])) break;
            if (written < 1000000000LL) written = written * 10 + (text[j] - '0');
        }
        exponent += expNegative ? -written : written;
    }
    if (significant.empty()) return 0.0;
    // The value's order of magnitude decides out-of-range cases before from_chars.
    long long magnitude = exponent + static_cast<long long>(significant.size());
    if (magnitude > 310) throw RuntimeError(Overflow);
    if (magnitude < -330) return 0.0;
    std::string number = significant + 'e' + std::to_string(exponent);
    double value = 0;
    auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        if (magnitude < 0) return 0.0;
        throw RuntimeError(Overflow);
    }
    if (!std::isfinite(value)) throw RuntimeError(Overflow);
    return negative ? -value : value;
}

int32_t TruncateToInt32(double value) {
    double t = std::trunc(value);
    if (!(t >= -2147483648.0 && t <= 2147483647.0)) throw RuntimeError(Overflow);
    return static_cast<int32_t>(t);
}

int32_t RoundToInt32(double value) {
    double r = std::nearbyint(value);  // default rounding mode: halves to even
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) throw RuntimeError(Overflow);
    return static_cast<int32_t>(r);
}

int16_t RoundToInt16(double value) {
    double r = std::nearbyint(value);
    if (!(r >= -32768.0 && r <= 32767.0)) throw RuntimeError(Overflow);
    return static_cast<int16_t>(r);
}

int32_t AddInt32(int32_t a, int32_t b) {
    int32_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) throw RuntimeError(Overflow);
    return sum;
}

std::string_view FileNameOf(std::string_view path) {
    const DoubleByteCharacters* d = CurrentDoubleBytes();
    size_t after = 0;
    if (!d) {
        size_t at = path.rfind(kPathSeparator);
        after = at == std::string_view::npos ? 0 : at + 1;
    } else {
        for (size_t at = 0; at < path.size(); at += d->Width(path, at))
            if (path[at] == kPathSeparator) after = at + 1;
    }
    return path.substr(after);
}

std::optional<double> WholeTextAsNumber(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // from_chars takes no sign of its own here and no blanks: check the shape first.
    size_t i = 0;
    size_t digits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
    }
    if (digits == 0) return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        size_t expDigits = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++expDigits;
        if (expDigits == 0) return std::nullopt;
    }
    if (i != text.size()) return std::nullopt;
    double value = 0;
    auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc{} || result.ptr != text.data() + text.size()) return std::nullopt;
    return negative ? -value : value;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

}  // namespace tessaro
