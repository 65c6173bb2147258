#pragma once
// Finds, among the variables of an import, the symbol that stands for a whole data
// block: by block number (a "DB" symbol of a symbol file with that address) for a
// numbered header, by quoted name for a symbolic one. Either search answers the first
// match in collection order, as a walk from the start of Variables would, without
// walking: the index is built by one walk and then told of every variable added to or
// removed from the collection.

#include <tessaro/Variable.h>

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace tessaro {

// A symbol-table variable of a data block: TagAttribute "DB" (blanks aside) and a
// section containing "(Symbol file)".
bool IsDataBlockSymbol(const Variable& variable);

// The text a symbolic header must show for a variable: a double quote, the last 30
// characters of its Name (the whole name if shorter), a double quote.
std::string QuotedSymbolOf(const Variable& variable);

class BlockSymbolIndex {
public:
    explicit BlockSymbolIndex(const VariableCollection& variables);

    // The first data-block symbol whose FieldAdd1 is number, or null.
    VariablePtr FindDataBlockSymbol(int32_t number) const;
    // The first variable whose QuotedSymbolOf is quoted, or null.
    VariablePtr FindQuotedSymbol(std::string_view quoted) const;

    void Added(const VariablePtr& variable);    // appended at the end of the collection
    void Removed(const VariablePtr& variable);  // removed from the collection

private:
    using Ordered = std::map<uint64_t, VariablePtr>;  // collection order -> variable
    struct NameHash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
    };

    // Variables added after the index was built go into the name index only when a
    // search by name finds no earlier variable: the data-block elements an import adds
    // are rarely searched for by name, and most of them never are.
    void IndexPending() const;
    uint64_t TakeFromPending(const Variable* variable);

    std::unordered_map<int32_t, Ordered> byNumber_;
    mutable std::unordered_map<std::string, Ordered, NameHash, std::equal_to<>> byQuotedName_;
    mutable std::unordered_multimap<const Variable*, uint64_t> orderOf_;  // the variables in byQuotedName_
    mutable std::vector<std::pair<uint64_t, VariablePtr>> pending_;      // added later, in collection order
    uint64_t next_ = 0;
};

}  // namespace tessaro
