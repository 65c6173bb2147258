#pragma once
// The component's text is 8-bit text in the component's code page: Windows-1252 unless
// the host or TESSARO_CODEPAGE chooses another ANSI page, single-byte (CP1251, ...) or
// double-byte (CP936, CP932, CP949, CP950). On a double-byte page a character is one or
// two bytes. These functions and the text helpers are the only place that knows which.

#include <string>
#include <string_view>

namespace tessaro {

// Chooses the code page by name: "WINDOWS-1252", "CP936", "1251", ... in any letter
// case. Throws a RuntimeError (InvalidArgument) naming the value when the page is not
// known. Affects the whole process; call it before importing.
void SetCodePage(const std::string& name);
// The current page's name, in upper case ("CP936"). Throws like SetCodePage when
// TESSARO_CODEPAGE names no page and none was chosen.
std::string CodePageName();

// Upper case in the component's code page: every character whose single-character
// upper case exists in the code page is replaced by it (à→À, š→Š, ÿ→Ÿ, full-width ａ→Ａ);
// the others (ß, µ, CJK characters) stay. Keys of collections are compared in this form.
std::string UpperCase(std::string_view text);
void AppendUpperCase(std::string& out, std::string_view text);

// Text leaving or entering the component as Unicode. Characters the code page lacks
// become "?". A byte the page leaves undefined (0x81 in Windows-1252; on a double-byte
// page also a lead byte without its trail) is a character of its own: U+0081 and the
// like on a single-byte page, U+F880 to U+F8FF (0xF800 + the byte) on a double-byte
// one, and converting back gives the same byte.
std::string ToUtf8(std::string_view text);
std::string FromUtf8(std::string_view utf8);

}  // namespace tessaro
