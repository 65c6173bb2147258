#include "awl/DeclarationTables.h"

#include <tessaro/RuntimeError.h>

#include <algorithm>
#include <functional>
#include <limits>

namespace tessaro {

namespace {

uint32_t HashOf(int32_t dbNumber, std::string_view name) {
    return static_cast<uint32_t>(std::hash<std::string_view>{}(name) ^
                                 (static_cast<size_t>(static_cast<uint32_t>(dbNumber)) * 0x9E3779B97F4A7C15u));
}

}  // namespace

void DeclarationTable::Reset() {
    entries_.assign(1, DeclarationEntry{});
    slots_.clear();
    used_ = 0;
    indexed_ = true;
}

// The position of the slot holding the first entry with this number and name, or of the
// empty slot where it would go.
size_t DeclarationTable::SlotOf(int32_t dbNumber, std::string_view name, uint32_t hash) const {
    const size_t mask = slots_.size() - 1;
    for (size_t at = hash & mask;; at = (at + 1) & mask) {
        const Slot& slot = slots_[at];
        if (slot.entry == 0) return at;
        if (slot.hash == hash && entries_[slot.entry].DBNumber == dbNumber && entries_[slot.entry].Name == name)
            return at;
    }
}

void DeclarationTable::Enter(uint32_t entry) {
    if (2 * (used_ + 1) > slots_.size()) {
        std::vector<Slot> old(std::max<size_t>(64, 2 * slots_.size()));
        old.swap(slots_);
        used_ = 0;
        for (const Slot& slot : old)
            if (slot.entry != 0) Enter(slot.entry);
    }
    const DeclarationEntry& e = entries_[entry];
    const uint32_t hash = HashOf(e.DBNumber, e.Name);
    Slot& slot = slots_[SlotOf(e.DBNumber, e.Name, hash)];
    if (slot.entry != 0) return;  // an earlier entry has this number and name
    slot = {hash, entry};
    ++used_;
}

void DeclarationTable::Append(DeclarationEntry entry) {
    entries_.push_back(std::move(entry));
    if (entries_.size() - 1 > std::numeric_limits<uint32_t>::max()) indexed_ = false;
    if (indexed_ && entries_.size() > 1) Enter(static_cast<uint32_t>(entries_.size() - 1));
}

const DeclarationEntry* DeclarationTable::Find(int32_t dbNumber, std::string_view name) const {
    if (entries_.empty()) throw RuntimeError(SubscriptOutOfRange, "the declaration tables were not reset");
    if (indexed_) {
        if (slots_.empty()) return nullptr;
        const uint32_t entry = slots_[SlotOf(dbNumber, name, HashOf(dbNumber, name))].entry;
        return entry == 0 ? nullptr : &entries_[entry];
    }
    for (size_t i = 1; i < entries_.size(); ++i)
        if (entries_[i].DBNumber == dbNumber && entries_[i].Name == name) return &entries_[i];
    return nullptr;
}

}  // namespace tessaro
