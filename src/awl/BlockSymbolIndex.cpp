#include "awl/BlockSymbolIndex.h"

#include "platform/Text.h"

#include <algorithm>
#include <cstdint>

namespace tessaro {

bool IsDataBlockSymbol(const Variable& variable) {
    return TrimBlanks(variable.TagAttribute) == "DB" && Contains(variable.SectionName, "(Symbol file)");
}

std::string QuotedSymbolOf(const Variable& variable) {
    std::string_view name = LastColumns(variable.Name, 30);
    std::string quoted = "\"";
    quoted.append(name);
    quoted.push_back('"');
    return quoted;
}


BlockSymbolIndex::BlockSymbolIndex(const VariableList& variables) : variables_(variables) { Rebuild(); }

void BlockSymbolIndex::Rebuild() {
    byNumber_.clear();
    byQuotedName_.clear();
    orderOf_.clear();
    pending_.clear();
    variables_.ForEach([this](const VariablePtr& variable) {
        if (variable) Index(variable);
        return true;
    });
    IndexPending();
    seen_ = variables_.Version();
    stale_ = false;
}

bool BlockSymbolIndex::FollowsOneChange() {
    const uint64_t now = variables_.Version();
    const bool follows = !stale_ && now == seen_ + 1;
    seen_ = now;
    stale_ = !follows;
    return follows;
}

VariablePtr BlockSymbolIndex::FindDataBlockSymbol(int32_t number) {
    if (stale_ || variables_.Version() != seen_) Rebuild();
    auto it = byNumber_.find(number);
    return it == byNumber_.end() ? nullptr : it->second.begin()->second;
}

VariablePtr BlockSymbolIndex::FindQuotedSymbol(std::string_view quoted) {
    if (stale_ || variables_.Version() != seen_) Rebuild();
    // Every indexed variable comes before every pending one in the collection.
    auto it = byQuotedName_.find(quoted);
    if (it == byQuotedName_.end() && !pending_.empty()) {
        IndexPending();
        it = byQuotedName_.find(quoted);
    }
    return it == byQuotedName_.end() ? nullptr : it->second.begin()->second;
}

void BlockSymbolIndex::Added(const VariablePtr& variable) {
    if (FollowsOneChange()) Index(variable);
}

void BlockSymbolIndex::Index(const VariablePtr& variable) {
    uint64_t order = next_++;
    if (IsDataBlockSymbol(*variable)) byNumber_[variable->FieldAdd1].emplace(order, variable);
    pending_.emplace_back(order, variable);
}

void BlockSymbolIndex::IndexPending() {
    for (const auto& [order, variable] : pending_) {
        orderOf_.emplace(variable.get(), order);
        byQuotedName_[QuotedSymbolOf(*variable)].emplace(order, variable);
    }
    pending_.clear();
}

// The earliest place of a variable not yet in the name index, taken out of the pending
// ones; UINT64_MAX when it is not there either.
uint64_t BlockSymbolIndex::TakeFromPending(const Variable* variable) {
    auto it = std::find_if(pending_.begin(), pending_.end(), [&](const auto& p) { return p.second.get() == variable; });
    if (it == pending_.end()) return UINT64_MAX;
    uint64_t order = it->first;
    pending_.erase(it);
    return order;
}

void BlockSymbolIndex::Removed(const VariablePtr& variable) {
    if (!FollowsOneChange()) return;
    auto drop = [](auto& index, const auto& key, uint64_t order) {
        auto it = index.find(key);
        if (it == index.end()) return;
        it->second.erase(order);
        if (it->second.empty()) index.erase(it);
    };
    // A variable held twice by the collection leaves its earliest place first; indexed
    // places come before pending ones.
    uint64_t order = UINT64_MAX;
    auto range = orderOf_.equal_range(variable.get());
    if (range.first != range.second) {
        auto earliest = range.first;
        for (auto it = range.first; it != range.second; ++it)
            if (it->second < earliest->second) earliest = it;
        order = earliest->second;
        orderOf_.erase(earliest);
        drop(byQuotedName_, QuotedSymbolOf(*variable), order);
    } else {
        order = TakeFromPending(variable.get());
        if (order == UINT64_MAX) return;
    }
    if (IsDataBlockSymbol(*variable)) drop(byNumber_, variable->FieldAdd1, order);
}

}  // namespace tessaro
