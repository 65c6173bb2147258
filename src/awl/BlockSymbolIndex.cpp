#include "awl/BlockSymbolIndex.h"

#include "platform/Text.h"

namespace tessaro {

bool IsDataBlockSymbol(const Variable& variable) {
    return TrimBlanks(variable.TagAttribute) == "DB" && Contains(variable.SectionName, "(Symbol file)");
}

std::string QuotedSymbolOf(const Variable& variable) {
    std::string_view name = variable.Name;
    if (name.size() > 30) name = name.substr(name.size() - 30);
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
    variables_.ForEach([this](const VariablePtr& variable) {
        if (variable) Index(variable);
        return true;
    });
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
    auto it = byQuotedName_.find(std::string(quoted));
    return it == byQuotedName_.end() ? nullptr : it->second.begin()->second;
}

void BlockSymbolIndex::Added(const VariablePtr& variable) {
    if (FollowsOneChange()) Index(variable);
}

void BlockSymbolIndex::Index(const VariablePtr& variable) {
    uint64_t order = next_++;
    orderOf_.emplace(variable.get(), order);
    if (IsDataBlockSymbol(*variable)) byNumber_[variable->FieldAdd1].emplace(order, variable);
    byQuotedName_[QuotedSymbolOf(*variable)].emplace(order, variable);
}

void BlockSymbolIndex::Removed(const VariablePtr& variable) {
    if (!FollowsOneChange()) return;
    // A variable held twice by the collection leaves its earliest place first.
    auto range = orderOf_.equal_range(variable.get());
    if (range.first == range.second) return;
    auto earliest = range.first;
    for (auto it = range.first; it != range.second; ++it)
        if (it->second < earliest->second) earliest = it;
    uint64_t order = earliest->second;
    orderOf_.erase(earliest);
    auto drop = [order](auto& index, const auto& key) {
        auto it = index.find(key);
        if (it == index.end()) return;
        it->second.erase(order);
        if (it->second.empty()) index.erase(it);
    };
    if (IsDataBlockSymbol(*variable)) drop(byNumber_, variable->FieldAdd1);
    drop(byQuotedName_, QuotedSymbolOf(*variable));
}

}  // namespace tessaro
