#pragma once
// Which importer reads a source: the last four characters of its SourceId, compared
// without regard to letter case, ".ASC" for symbol tables and ".AWL" for data-block
// sources; ".SDF" and ".DIF" for symbol tables in the other two export formats, where the
// host asks for them. Anything else is no source of the import.

#include <tessaro/CodePage.h>

#include <string_view>

namespace tessaro {

inline constexpr std::string_view kSymbolTableExtension = ".ASC";
inline constexpr std::string_view kDataBlockSourceExtension = ".AWL";
inline constexpr std::string_view kSdfSymbolTableExtension = ".SDF";
inline constexpr std::string_view kDifSymbolTableExtension = ".DIF";

// extension is given in upper case.
inline bool IsSourceOfKind(std::string_view sourceId, std::string_view extension) {
    return sourceId.size() >= extension.size() &&
           UpperCase(sourceId.substr(sourceId.size() - extension.size())) == extension;
}

// The format of a symbol table ("ASC", "SDF", "DIF") by its name, or "" for a source of
// no symbol-table kind. SDF and DIF count only when others is set.
inline std::string_view SymbolTableFormatOf(std::string_view sourceId, bool others) {
    if (IsSourceOfKind(sourceId, kSymbolTableExtension)) return "ASC";
    if (!others) return {};
    if (IsSourceOfKind(sourceId, kSdfSymbolTableExtension)) return "SDF";
    if (IsSourceOfKind(sourceId, kDifSymbolTableExtension)) return "DIF";
    return {};
}

}  // namespace tessaro
