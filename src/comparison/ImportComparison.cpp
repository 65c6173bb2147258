#include <tessaro/ImportComparison.h>

#include "driver/InfoImportedVariable.h"

#include <array>
#include <stdexcept>
#include <string_view>
#include <unordered_map>

namespace tessaro {
namespace {

constexpr std::string_view kSymbolSection = " (Symbol file)";

// The folded collection keys of one side's records, packed in one text, and a table of
// the first record of each key: open addressing over (hash, record) pairs, at most half
// full, so that a lookup costs one probe and no allocation.
class KeyIndex {
public:
    static constexpr uint32_t kNone = static_cast<uint32_t>(-1);

    // Records the keys met before, in repeated.
    KeyIndex(const ImportRecords& records, bool newSide, std::vector<RepeatedKey>& repeated) {
        const size_t count = records.Variables.size();
        if (count >= kNone) throw std::length_error("too many records to compare");
        starts_.reserve(count + 1);
        hashes_.reserve(count);
        for (const VariablePtr& v : records.Variables) {
            starts_.push_back(text_.size());
            text_ += VariableKey(v->Name, v->DeviceId);
            hashes_.push_back(static_cast<uint32_t>(std::hash<std::string_view>{}(std::string_view(text_).substr(starts_.back()))));
        }
        starts_.push_back(text_.size());
        size_t size = 16;
        while (size < 2 * count) size *= 2;
        table_.assign(size, Entry{});
        for (uint32_t i = 0; i < count; ++i) {
            size_t at = hashes_[i] & (size - 1);
            for (; table_[at].record != kNone; at = (at + 1) & (size - 1))
                if (table_[at].hash == hashes_[i] && Key(table_[at].record) == Key(i)) break;
            if (table_[at].record == kNone)
                table_[at] = Entry{hashes_[i], i};
            else
                repeated.push_back(RepeatedKey{newSide, table_[at].record, i});
        }
    }

    std::string_view Key(size_t record) const { return std::string_view(text_).substr(starts_[record], starts_[record + 1] - starts_[record]); }
    uint32_t Hash(size_t record) const { return hashes_[record]; }

    // The first record with the key, or kNone.
    uint32_t Find(std::string_view key, uint32_t hash) const {
        const size_t mask = table_.size() - 1;
        for (size_t at = hash & mask; table_[at].record != kNone; at = (at + 1) & mask)
            if (table_[at].hash == hash && Key(table_[at].record) == key) return table_[at].record;
        return kNone;
    }
    bool IsFirst(size_t record) const { return Find(Key(record), hashes_[record]) == record; }

private:
    struct Entry {
        uint32_t hash = 0;
        uint32_t record = kNone;
    };
    std::string text_;
    std::vector<size_t> starts_;
    std::vector<uint32_t> hashes_;
    std::vector<Entry> table_;
};

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
    const KeyIndex oldIndex(older, false, result.RepeatedKeys);
    const KeyIndex newIndex(newer, true, result.RepeatedKeys);
    const size_t oldCount = older.Variables.size(), newCount = newer.Variables.size();

    // The new side in its order: each first record of a key changed or added.
    std::vector<bool> matched(oldCount, false);
    std::vector<size_t> added;  // positions in Changes
    for (size_t n = 0; n < newCount; ++n) {
        const uint32_t o = oldIndex.Find(newIndex.Key(n), newIndex.Hash(n));
        if (!newIndex.IsFirst(n)) continue;
        if (o == KeyIndex::kNone) {
            added.push_back(result.Changes.size());
            result.Changes.push_back(RecordChange{ChangeKind::Added, RecordChange::npos, n, {}});
            continue;
        }
        matched[o] = true;
        auto columns = Differences(older, o, newer, n, options.Comments);
        if (!columns.empty()) result.Changes.push_back(RecordChange{ChangeKind::Changed, o, n, std::move(columns)});
    }
    std::vector<size_t> removed;
    for (size_t o = 0; o < oldCount; ++o)
        if (!matched[o] && oldIndex.IsFirst(o)) removed.push_back(o);

    // A removed and an added variable alone at their place are one variable renamed.
    std::vector<bool> renamed(oldCount, false);
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
