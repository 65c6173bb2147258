#pragma once
// The keyed collection the component creates and receives: items in insertion order,
// indexed from 1, each with an optional text key. Keys compare without regard to letter
// case (upper case in the component's code page); adding a key that is already present
// fails with error 457 and leaves the collection unchanged.
//
// Lookup, insertion and removal by key are O(1) on average. A removal leaves a hole
// that the walk skips; holes are squeezed out when they outnumber the items or when an
// item is asked for by its position. Per keyed item the collection holds its slot, the
// folded key's characters and two small index entries: no allocation per item.

#include <tessaro/CodePage.h>
#include <tessaro/RuntimeError.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tessaro {

template <class T>
class Collection {
    struct Slot {
        T item;
        const char* key = nullptr;  // the folded key in keys_, or none
        uint32_t keyLength = 0;
        bool live = true;
        std::string_view Key() const { return {key, keyLength}; }
    };

    // The folded keys, packed one after the other into blocks that never move, so a
    // slot can point at its key: no allocation per key. The text of a removed key stays
    // until the collection is compacted.
    class KeyText {
    public:
        const char* Keep(std::string_view key) {
            if (blocks_.empty() || free_ < key.size()) {
                size_t size = std::max(kBlockSize, key.size());
                blocks_.push_back(std::make_unique<char[]>(size));
                next_ = blocks_.back().get();
                free_ = size;
            }
            char* kept = next_;
            std::copy(key.begin(), key.end(), kept);
            next_ += key.size();
            free_ -= key.size();
            used_ += key.size();
            return kept;
        }
        size_t Used() const { return used_; }  // characters kept, removed keys included

    private:
        static constexpr size_t kBlockSize = 64 * 1024;
        std::vector<std::unique_ptr<char[]>> blocks_;
        char* next_ = nullptr;
        size_t free_ = 0;
        size_t used_ = 0;
    };

    // The key index: open addressing with linear probing over a power-of-two table, at
    // most half full. An entry holds the key's hash and the slot of its item.
    struct Entry {
        uint32_t hash = 0;
        uint32_t slot = kNoSlot;
    };
    static constexpr uint32_t kNoSlot = std::numeric_limits<uint32_t>::max();
    static constexpr size_t kNotFound = std::numeric_limits<size_t>::max();

public:
    size_t Count() const noexcept { return live_; }

    // Appends the item; with a key, fails with 457 when the key is taken.
    void Add(T item, std::optional<std::string_view> key = std::nullopt) {
        if (!key) {
            slots_.push_back(Slot{std::move(item), nullptr, 0, true});
            ++live_;
            return;
        }
        AddFolded(std::move(item), UpperCase(*key));
    }

    // As Add, with a key already in upper case (UpperCase applied by the caller).
    void AddFolded(T item, std::string_view foldedKey) {
        const uint32_t hash = HashOf(foldedKey);
        if (EntryOf(foldedKey, hash) != kNotFound) throw RuntimeError(DuplicateKey);
        if (slots_.size() >= kNoSlot || foldedKey.size() > std::numeric_limits<uint32_t>::max())
            throw RuntimeError(Overflow, "too many items or too long a key for a collection");
        slots_.push_back(Slot{std::move(item), keys_.Keep(foldedKey), static_cast<uint32_t>(foldedKey.size()), true});
        ++live_;
        Index(hash, static_cast<uint32_t>(slots_.size() - 1));
    }

    bool Contains(std::string_view key) const { return SlotOfFolded(UpperCase(key)) != kNotFound; }

    // Item by position, 1 to Count; error 9 outside.
    const T& Item(size_t position) const { return slots_[SlotOf(position)].item; }
    T& Item(size_t position) { return slots_[SlotOf(position)].item; }

    // Item by key; error 5 when no item has the key.
    const T& Item(std::string_view key) const { return slots_[SlotOfKey(key)].item; }

    void Remove(std::string_view key) { Erase(SlotOfKey(key)); }
    void Remove(size_t position) { Erase(SlotOf(position)); }

    void Clear() {
        slots_.clear();
        table_.clear();
        keys_ = KeyText();
        removedKeyText_ = 0;
        indexed_ = 0;
        live_ = 0;
    }

    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = T;
        using difference_type = std::ptrdiff_t;
        using pointer = const T*;
        using reference = const T&;
        const_iterator() = default;
        reference operator*() const { return (*slots_)[at_].item; }
        pointer operator->() const { return &(*slots_)[at_].item; }
        const_iterator& operator++() {
            ++at_;
            SkipHoles();
            return *this;
        }
        const_iterator operator++(int) {
            auto copy = *this;
            ++*this;
            return copy;
        }
        bool operator==(const const_iterator& other) const { return at_ == other.at_; }

    private:
        friend class Collection;
        const_iterator(const std::vector<Slot>* slots, size_t at) : slots_(slots), at_(at) { SkipHoles(); }
        void SkipHoles() {
            while (at_ < slots_->size() && !(*slots_)[at_].live) ++at_;
        }
        const std::vector<Slot>* slots_ = nullptr;
        size_t at_ = 0;
    };

    const_iterator begin() const { return const_iterator(&slots_, 0); }
    const_iterator end() const { return const_iterator(&slots_, slots_.size()); }

private:
    static uint32_t HashOf(std::string_view foldedKey) {
        return static_cast<uint32_t>(std::hash<std::string_view>{}(foldedKey));
    }

    size_t SlotOf(size_t position) const {
        if (position < 1 || position > live_) throw RuntimeError(SubscriptOutOfRange);
        if (live_ != slots_.size()) Compact();
        return position - 1;
    }

    size_t SlotOfKey(std::string_view key) const {
        size_t slot = SlotOfFolded(UpperCase(key));
        if (slot == kNotFound) throw RuntimeError(InvalidArgument);
        return slot;
    }

    size_t SlotOfFolded(std::string_view foldedKey) const {
        size_t entry = EntryOf(foldedKey, HashOf(foldedKey));
        return entry == kNotFound ? kNotFound : table_[entry].slot;
    }

    // The table entry of a key, or kNotFound.
    size_t EntryOf(std::string_view foldedKey, uint32_t hash) const {
        if (table_.empty()) return kNotFound;
        const size_t mask = table_.size() - 1;
        for (size_t at = hash & mask;; at = (at + 1) & mask) {
            const Entry& entry = table_[at];
            if (entry.slot == kNoSlot) return kNotFound;
            if (entry.hash == hash && slots_[entry.slot].Key() == foldedKey) return at;
        }
    }

    // Enters a key that is not in the table yet.
    void Index(uint32_t hash, uint32_t slot) const {
        if (2 * (indexed_ + 1) > table_.size()) {
            std::vector<Entry> old(std::max<size_t>(16, 2 * table_.size()));
            old.swap(table_);
            indexed_ = 0;
            for (const Entry& entry : old)
                if (entry.slot != kNoSlot) Index(entry.hash, entry.slot);
        }
        const size_t mask = table_.size() - 1;
        size_t at = hash & mask;
        while (table_[at].slot != kNoSlot) at = (at + 1) & mask;
        table_[at] = Entry{hash, slot};
        ++indexed_;
    }

    // Takes an entry out of the table; the entries after it that probed past it move
    // back, so every search still finds its key before an empty entry.
    void Unindex(size_t hole) const {
        const size_t mask = table_.size() - 1;
        for (size_t at = (hole + 1) & mask; table_[at].slot != kNoSlot; at = (at + 1) & mask) {
            const size_t home = table_[at].hash & mask;
            if (((at - home) & mask) >= ((at - hole) & mask)) {
                table_[hole] = table_[at];
                hole = at;
            }
        }
        table_[hole] = Entry{};
        --indexed_;
    }

    void Erase(size_t slot) {
        Slot& s = slots_[slot];
        if (s.key) {
            Unindex(EntryOf(s.Key(), HashOf(s.Key())));
            removedKeyText_ += s.keyLength;
        }
        s = Slot{T{}, nullptr, 0, false};
        --live_;
        // Holes at the end go at once, so emptying from the last item to the first
        // compacts only for the text of the removed keys, now and then.
        while (!slots_.empty() && !slots_.back().live) slots_.pop_back();
        if (slots_.size() > 2 * live_ + 16 || removedKeyText_ > keys_.Used() / 2 + 65536) Compact();
    }

    // Squeezes out the holes left by removals, with the text of their keys, and indexes
    // the items at their new places.
    void Compact() const {
        if (live_ == slots_.size() && removedKeyText_ == 0) return;
        KeyText keys;
        size_t to = 0;
        for (size_t from = 0; from < slots_.size(); ++from) {
            if (!slots_[from].live) continue;
            if (to != from) slots_[to] = std::move(slots_[from]);
            Slot& moved = slots_[to];
            if (moved.key) moved.key = keys.Keep(moved.Key());
            ++to;
        }
        slots_.resize(to);
        keys_ = std::move(keys);
        removedKeyText_ = 0;
        table_.assign(table_.size(), Entry{});
        indexed_ = 0;
        for (size_t slot = 0; slot < slots_.size(); ++slot)
            if (slots_[slot].key) Index(HashOf(slots_[slot].Key()), static_cast<uint32_t>(slot));
    }

    mutable std::vector<Slot> slots_;
    mutable KeyText keys_;
    mutable size_t removedKeyText_ = 0;  // characters of removed keys still in keys_
    mutable std::vector<Entry> table_;
    mutable size_t indexed_ = 0;  // entries in table_
    size_t live_ = 0;
};

}  // namespace tessaro
