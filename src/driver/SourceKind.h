#pragma once
// Which importer reads a source: the last four characters of its SourceId, compared
// without regard to letter case, ".ASC" for symbol tables and ".AWL" for data-block
// sources. Anything else is no source of the import.

#include <tessaro/CodePage.h>

#include <string_view>

namespace tessaro {

inline constexpr std::string_view kSymbolTableExtension = ".ASC";
inline constexpr std::string_view kDataBlockSourceExtension = ".AWL";

// extension is given in upper case.
inline bool IsSourceOfKind(std::string_view sourceId, std::string_view extension) {
    return sourceId.size() >= extension.size() &&
           UpperCase(sourceId.substr(sourceId.size() - extension.size())) == extension;
}

}  // namespace tessaro
