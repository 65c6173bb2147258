#pragma once
// Text helpers used across the component. Positions, counts and lengths are in
// characters of the component's code page, counted from 1 (on a double-byte page a
// character may be two bytes, and no slice splits one); a slice that runs past the end
// of a text is simply shorter or empty. "Blanks" are space characters only (tabs are
// kept).

#include "platform/CodePageTable.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tessaro {

std::string_view TrimBlanks(std::string_view text);

// The count characters from position first (1-based); shorter or empty past the end.
std::string_view CharacterColumns(std::string_view text, size_t first, size_t count);  // a double-byte page
inline std::string_view Columns(std::string_view text, size_t first, size_t count) {
    if (CurrentDoubleBytes()) return CharacterColumns(text, first, count);
    return first < 1 || first > text.size() ? std::string_view() : text.substr(first - 1, count);
}
// Everything from position first on.
inline std::string_view ColumnsFrom(std::string_view text, size_t first) {
    return Columns(text, first, std::string_view::npos);
}

// The last count characters (the whole text when shorter).
std::string_view LastColumns(std::string_view text, size_t count);
// Cuts text after byte from to count characters, or adds blanks up to count.
void FitColumns(std::string& text, size_t count, size_t from = 0);
// The number of characters.
size_t CharacterCount(std::string_view text);

// Position (1-based) of the first occurrence of what in text at or after position
// start, 0 when there is none. An occurrence starts at a character, never inside one.
size_t CharacterPosition(std::string_view text, std::string_view what, size_t start);  // a double-byte page
inline size_t Position(std::string_view text, std::string_view what, size_t start = 1) {
    if (CurrentDoubleBytes()) return CharacterPosition(text, what, start);
    if (start < 1) start = 1;
    if (start > text.size() + 1) return 0;
    size_t at = text.find(what, start - 1);
    return at == std::string_view::npos ? 0 : at + 1;
}
inline bool Contains(std::string_view text, std::string_view what) {
    // Bytes first: most texts fail there, and on a single-byte page that is the answer.
    return text.find(what) != std::string_view::npos && (!CurrentDoubleBytes() || CharacterPosition(text, what, 1) != 0);
}

// The number in a text: its leading decimal number. Blanks (spaces, tabs, line feeds)
// anywhere in it are skipped; an optional sign, digits, an optional "." and fraction,
// an optional exponent written E or D with its own optional sign. Reading stops at the
// first character that cannot continue the number; a text that does not start with a
// number reads as 0. A number too large for a double raises Overflow.
double NumberIn(std::string_view text);

// The whole text as a number: blanks (spaces, tabs) around, an optional sign, digits
// with an optional fraction, an optional exponent. Empty when it is not a number or out
// of the range of a double.
std::optional<double> WholeTextAsNumber(std::string_view text);

// Narrowing with the overflow error (6) outside the target range.
int32_t TruncateToInt32(double value);  // toward zero
int32_t RoundToInt32(double value);     // to nearest, halves to even
int16_t RoundToInt16(double value);     // to nearest, halves to even

// 32-bit addition with the overflow error instead of wrap-around.
int32_t AddInt32(int32_t a, int32_t b);

// The separator of the folders of a path: "/" here, "\" on Windows.
#ifdef _WIN32
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

// The part of a path after its last separator.
std::string_view FileNameOf(std::string_view path);

// Appends code point c as UTF-8.
void AppendUtf8(std::string& out, char32_t c);

}  // namespace tessaro
