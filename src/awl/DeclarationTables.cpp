#include "awl/DeclarationTables.h"

#include <tessaro/RuntimeError.h>

#include <algorithm>
#include <functional>
#include <limits>

namespace tessaro {

thread_local DeclarationTable DeclaredStrings;
thread_local DeclarationTable DeclaredUDTs;

namespace {

// Block number and name to the first index with both, over entries 1 to covered - 1: an
// open-addressing table of (hash, index) pairs over a power-of-two size, at most half
// full. A search that finds nothing, the common case, reads one or two small entries.
struct DeclarationIndex {
    struct Slot {
        uint32_t hash = 0;
        uint32_t entry = 0;  // 0: empty (entry 0 is never indexed)
    };
    size_t covered = 0;
    size_t used = 0;
    std::vector<Slot> slots;
};
thread_local DeclarationIndex stringsIndex;
thread_local DeclarationIndex udtsIndex;

DeclarationIndex* IndexOf(const DeclarationTable& table) {
    if (&table == &DeclaredStrings) return &stringsIndex;
    if (&table == &DeclaredUDTs) return &udtsIndex;
    return nullptr;
}

uint32_t HashOf(int32_t dbNumber, std::string_view name) {
    return static_cast<uint32_t>(std::hash<std::string_view>{}(name) ^
                                 (static_cast<size_t>(static_cast<uint32_t>(dbNumber)) * 0x9E3779B97F4A7C15u));
}

// The slot holding the first entry with this number and name, or the empty slot where
// it would go.
DeclarationIndex::Slot& SlotOf(DeclarationIndex& index, const DeclarationTable& table, int32_t dbNumber,
                               std::string_view name, uint32_t hash) {
    const size_t mask = index.slots.size() - 1;
    for (size_t at = hash & mask;; at = (at + 1) & mask) {
        DeclarationIndex::Slot& slot = index.slots[at];
        if (slot.entry == 0) return slot;
        if (slot.hash == hash && table[slot.entry].DBNumber == dbNumber && table[slot.entry].Name == name) return slot;
    }
}

void Enter(DeclarationIndex& index, const DeclarationTable& table, uint32_t entry) {
    if (2 * (index.used + 1) > index.slots.size()) {
        std::vector<DeclarationIndex::Slot> old(std::max<size_t>(64, 2 * index.slots.size()));
        old.swap(index.slots);
        index.used = 0;
        for (const auto& slot : old)
            if (slot.entry != 0) Enter(index, table, slot.entry);
    }
    const DeclarationEntry& e = table[entry];
    const uint32_t hash = HashOf(e.DBNumber, e.Name);
    DeclarationIndex::Slot& slot = SlotOf(index, table, e.DBNumber, e.Name, hash);
    if (slot.entry != 0) return;  // an earlier entry has this number and name
    slot = {hash, entry};
    ++index.used;
}

}  // namespace

void ResetDeclarationTables() {
    DeclaredStrings.assign(1, DeclarationEntry{});
    DeclaredUDTs.assign(1, DeclarationEntry{});
    for (DeclarationIndex* index : {&stringsIndex, &udtsIndex}) {
        index->slots.clear();
        index->used = 0;
        index->covered = 1;
    }
}

void AppendDeclaration(DeclarationTable& table, DeclarationEntry entry) {
    table.push_back(std::move(entry));
    DeclarationIndex* index = IndexOf(table);
    if (!index || index->covered + 1 != table.size()) return;
    if (table.size() - 1 > std::numeric_limits<uint32_t>::max()) return;  // walked instead
    Enter(*index, table, static_cast<uint32_t>(table.size() - 1));
    index->covered = table.size();
}

const DeclarationEntry* FindDeclaration(const DeclarationTable& table, int32_t dbNumber, std::string_view name) {
    if (table.empty()) throw RuntimeError(SubscriptOutOfRange, "the declaration tables were not reset");
    if (DeclarationIndex* index = IndexOf(table); index && index->covered == table.size()) {
        if (index->slots.empty()) return nullptr;
        const uint32_t entry = SlotOf(*index, table, dbNumber, name, HashOf(dbNumber, name)).entry;
        return entry == 0 ? nullptr : &table[entry];
    }
    for (size_t i = 1; i < table.size(); ++i)
        if (table[i].DBNumber == dbNumber && table[i].Name == name) return &table[i];
    return nullptr;
}

}  // namespace tessaro
