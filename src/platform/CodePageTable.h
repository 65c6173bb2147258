#pragma once
// Internal: what the code-page tables ask of the platform (CodePageTable_posix.cpp through
// iconv, CodePageTable_win32.cpp through the system's code pages).

#include <array>
#include <string>

namespace tessaro {

// The Unicode character of each byte of the named single-byte code page; a byte the
// page leaves undefined keeps its own number. False when the platform does not know
// the name.
bool ReadCodePage(const std::string& name, std::array<char32_t, 256>& toUnicode);

// The page used until the host chooses one: TESSARO_CODEPAGE, else Windows-1252 here;
// the system's ANSI code page on Windows.
std::string DefaultCodePageName();

}  // namespace tessaro
