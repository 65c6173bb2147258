#include <tessaro/ImportComparison.h>

#include "driver/InfoImportedVariable.h"

#include <array>
#include <string_view>
#include <tuple>
#include <unordered_map>

namespace tessaro {
namespace {

constexpr std::string_view kSymbolSection = " (Symbol file)";

// The folded collection key of every record.
std::vector<std::string> KeysOf(const ImportRecords& records) {
    std::vector<std::string> keys;
    keys.reserve(records.Variables.size());
    for (const VariablePtr& v : records.Variables) keys.push_back(VariableKey(v->Name, v->DeviceId));
    return keys;
}

// Key to the index of its first record; the later ones are duplicates.
using KeyIndex = std::unordered_map<std::string_view, size_t>;
KeyIndex IndexOf(const std::vector<std::string>& keys, bool newSide, std::vector<RepeatedKey>& duplicates) {
    KeyIndex index;
    index.reserve(keys.size());
    for (size_t i = 0; i < keys.size(); ++i) {
        auto [at, added] = index.emplace(keys[i], i);
        if (!added) duplicates.push_back(RepeatedKey{newSide, at->second, i});
    }
    return index;
}

// Two sections are the same when equal, or when both name a symbol table (whose file
// name is no part of its symbols).
bool SameSection(std::string_view a, std::string_view b) {
    return a == b || (a.ends_with(kSymbolSection) && b.ends_with(kSymbolSection));
}

std::string FlagText(bool flag) { return flag ? "true" : "false"; }

// The columns in which two records differ, Name first.
std::vector<ColumnChange> Differences(const ImportRecords& older, size_t o, const ImportRecords& newer, size_t n,
                                      bool comments) {
    const Variable& a = *older.Variables[o];
    const Variable& b = *newer.Variables[n];
    std::vector<ColumnChange> changes;
    auto text = [&](size_t column, const std::string& x, const std::string& y) {
        if (x != y) changes.push_back({kVariableColumns[column], x, y});
    };
    auto number = [&](size_t column, int32_t x, int32_t y) {
        if (x != y) changes.push_back({kVariableColumns[column], std::to_string(x), std::to_string(y)});
    };
    text(0, a.Name, b.Name);
    if (!SameSection(a.SectionName, b.SectionName)) text(1, a.SectionName, b.SectionName);
    number(3, a.NestingLevel, b.NestingLevel);
    text(4, a.TagAttribute, b.TagAttribute);
    number(5, a.DataAreaId, b.DataAreaId);
    number(6, a.DataTypeId, b.DataTypeId);
    number(7, a.VariableLen, b.VariableLen);
    number(8, a.FieldAdd1, b.FieldAdd1);
    number(9, a.FieldAdd2, b.FieldAdd2);
    number(10, a.FieldAdd3, b.FieldAdd3);
    number(11, a.FieldAdd4, b.FieldAdd4);
    number(12, a.FieldAdd5, b.FieldAdd5);
    if (a.Sign != b.Sign) changes.push_back({kVariableColumns[13], FlagText(a.Sign), FlagText(b.Sign)});
    if (a.Warning != b.Warning) changes.push_back({kVariableColumns[14], FlagText(a.Warning), FlagText(b.Warning)});
    if (comments && older.HasAccount() && newer.HasAccount() && older.Accounts[o].Comment != newer.Accounts[n].Comment)
        changes.push_back({"Comment", older.Accounts[o].Comment, newer.Accounts[n].Comment});
    return changes;
}

// Where a variable lies in the device: device, area, type and the five address fields,
// and the address as written where both sides kept it.
struct Place {
    std::array<int32_t, 8> numbers;
    std::string written;
    bool operator==(const Place&) const = default;
};
struct PlaceHash {
    size_t operator()(const Place& p) const {
        size_t hash = std::hash<std::string>{}(p.written);
        for (int32_t n : p.numbers) hash = hash * 1000003u ^ static_cast<uint32_t>(n);
        return hash;
    }
};
Place PlaceOf(const ImportRecords& records, size_t i, bool written) {
    const Variable& v = *records.Variables[i];
    return Place{{v.DeviceId, v.DataAreaId, v.DataTypeId, v.FieldAdd1, v.FieldAdd2, v.FieldAdd3, v.FieldAdd4, v.FieldAdd5},
                 written ? records.Accounts[i].Address : std::string()};
}

}  // namespace

std::string_view ChangeName(ChangeKind kind) {
    switch (kind) {
    case ChangeKind::Added: return "added";
    case ChangeKind::Removed: return "removed";
    case ChangeKind::Changed: return "changed";
    case ChangeKind::Renamed: return "renamed";
    }
    return "";
}

ImportComparison CompareImports(const ImportRecords& older, const ImportRecords& newer, const ComparisonOptions& options) {
    ImportComparison result;
    const std::vector<std::string> oldKeys = KeysOf(older), newKeys = KeysOf(newer);
    const KeyIndex oldIndex = IndexOf(oldKeys, false, result.Duplicates);
    const KeyIndex newIndex = IndexOf(newKeys, true, result.Duplicates);

    // The new side in its order: each first record of a key changed or added.
    std::vector<bool> matched(oldKeys.size(), false);
    std::vector<size_t> added;  // positions in Changes
    for (size_t n = 0; n < newKeys.size(); ++n) {
        if (newIndex.at(newKeys[n]) != n) continue;
        auto old = oldIndex.find(newKeys[n]);
        if (old == oldIndex.end()) {
            added.push_back(result.Changes.size());
            result.Changes.push_back(RecordChange{ChangeKind::Added, RecordChange::npos, n, {}});
            continue;
        }
        matched[old->second] = true;
        auto columns = Differences(older, old->second, newer, n, options.Comments);
        if (!columns.empty()) result.Changes.push_back(RecordChange{ChangeKind::Changed, old->second, n, std::move(columns)});
    }
    std::vector<size_t> removed;
    for (size_t o = 0; o < oldKeys.size(); ++o)
        if (!matched[o] && oldIndex.at(oldKeys[o]) == o) removed.push_back(o);

    // A removed and an added variable alone at their place are one variable renamed.
    std::vector<bool> renamed(oldKeys.size(), false);
    if (options.Renames && !removed.empty() && !added.empty()) {
        const bool written = older.HasAccount() && newer.HasAccount();
        std::unordered_map<Place, std::pair<size_t, size_t>, PlaceHash> places;  // removed: count, last
        for (size_t o : removed) {
            auto& [count, last] = places[PlaceOf(older, o, written)];
            ++count;
            last = o;
        }
        std::unordered_map<Place, size_t, PlaceHash> addedAt;
        for (size_t at : added) ++addedAt[PlaceOf(newer, result.Changes[at].New, written)];
        for (size_t at : added) {
            RecordChange& change = result.Changes[at];
            const Place place = PlaceOf(newer, change.New, written);
            auto it = places.find(place);
            if (it == places.end() || it->second.first != 1 || addedAt[place] != 1) continue;
            change.Kind = ChangeKind::Renamed;
            change.Old = it->second.second;
            change.Columns = Differences(older, change.Old, newer, change.New, options.Comments);
            renamed[change.Old] = true;
        }
    }
    for (size_t o : removed)
        if (!renamed[o]) result.Changes.push_back(RecordChange{ChangeKind::Removed, o, RecordChange::npos, {}});

    for (const RecordChange& change : result.Changes) {
        switch (change.Kind) {
        case ChangeKind::Added: ++result.Added; break;
        case ChangeKind::Removed: ++result.Removed; break;
        case ChangeKind::Changed: ++result.Changed; break;
        case ChangeKind::Renamed: ++result.Renamed; break;
        }
    }
    return result;
}

std::string ComparisonSummary(const ImportComparison& c) {
    if (!c.Differs()) return "no difference";
    std::string text;
    for (auto [count, name] : {std::pair{c.Added, "added"}, {c.Removed, "removed"}, {c.Changed, "changed"}, {c.Renamed, "renamed"}})
        text += (text.empty() ? "" : ", ") + std::to_string(count) + " " + name;
    return text;
}

}  // namespace tessaro
