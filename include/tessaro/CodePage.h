#pragma once
// The component's text is 8-bit: one byte is one character in the component's code
// page (Windows-1252 unless the host or TESSARO_CODEPAGE chooses another single-byte
// page by its iconv name). These functions are the only place that knows which.

#include <string>
#include <string_view>

namespace tessaro {

// Chooses the code page by its iconv name ("WINDOWS-1252", "CP1251", ...). Throws a
// RuntimeError (InvalidArgument) when iconv does not know the name. Affects the
// whole process; call it before importing.
void SetCodePage(const std::string& iconvName);
std::string CodePageName();

// Upper case in the component's code page: every character whose single-character
// upper case exists in the code page is replaced by it (à→À, š→Š, ÿ→Ÿ); the others
// (ß, µ) stay. Keys of collections are compared in this form.
std::string UpperCase(std::string_view text);
char UpperCase(char c);

// Text leaving or entering the component as Unicode. Bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D in Windows-1252) map to the code point of the
// same number; characters the code page lacks become "?".
std::string ToUtf8(std::string_view text);
std::string FromUtf8(std::string_view utf8);

}  // namespace tessaro
