#pragma once
// Finds, among the variables of an import, the symbol that stands for a whole data
// block: by block number (a "DB" symbol of a symbol file with that address) for a
// numbered header, by quoted name for a symbolic one. Either search answers the first
// match in collection order, as a walk from the start of Variables would, without
// walking: the index is built by one walk and then told of every variable added to or
// removed from the collection. A change it was not told of (the host's, while the
// import yields to it) shows in the list's Version, and the next search walks again.

#include <tessaro/Variable.h>
#include <tessaro/VariableList.h>

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
    explicit BlockSymbolIndex(const VariableList& variables);

    // The first data-block symbol whose FieldAdd1 is number, or null.
    VariablePtr FindDataBlockSymbol(int32_t number);
    // The first variable whose QuotedSymbolOf is quoted, or null.
    VariablePtr FindQuotedSymbol(std::string_view quoted);

    // Told right after the one change to the list.
    void Added(const VariablePtr& variable);    // appended at the end of the collection
    void Removed(const VariablePtr& variable);  // removed from the collection

private:
    using Ordered = std::map<uint64_t, VariablePtr>;  // collection order -> variable
    struct NameHash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
    };

    void Rebuild();
    void Index(const VariablePtr& variable);
    bool FollowsOneChange();  // whether the list changed by exactly the change told of
    // Variables added after the index was built go into the name index only when a
    // search by name finds no earlier variable: the data-block elements an import adds
    // are rarely searched for by name, and most of them never are.
    void IndexPending();
    uint64_t TakeFromPending(const Variable* variable);

    const VariableList& variables_;
    uint64_t seen_ = 0;   // the list's Version the index stands for
    bool stale_ = false;  // walk again before the next search

    std::unordered_map<int32_t, Ordered> byNumber_;
    std::unordered_map<std::string, Ordered, NameHash, std::equal_to<>> byQuotedName_;
    std::unordered_multimap<const Variable*, uint64_t> orderOf_;  // the variables in byQuotedName_
    std::vector<std::pair<uint64_t, VariablePtr>> pending_;      // added later, in collection order
    uint64_t next_ = 0;
};

}  // namespace tessaro
