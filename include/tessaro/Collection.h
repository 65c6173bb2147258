#pragma once
// The keyed collection the component creates and receives: items in insertion order,
// indexed from 1, each with an optional text key. Keys compare without regard to letter
// case (upper case in the component's code page); adding a key that is already present
// fails with error 457 and leaves the collection unchanged.
//
// Lookup, insertion and removal by key are O(1) on average. A removal leaves a hole
// that the walk skips; holes are squeezed out when they outnumber the items or when an
// item is asked for by its position.

#include <tessaro/CodePage.h>
#include <tessaro/RuntimeError.h>

#include <cstddef>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace tessaro {

template <class T>
class Collection {
    struct Slot {
        T item;
        const std::string* key = nullptr;  // the key as held by the index, or none
        bool live = true;
    };
    struct KeyHash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
    };

public:
    size_t Count() const noexcept { return live_; }

    // Appends the item; with a key, fails with 457 when the key is taken.
    void Add(T item, std::optional<std::string_view> key = std::nullopt) {
        if (!key) {
            slots_.push_back(Slot{std::move(item), nullptr, true});
            ++live_;
            return;
        }
        AddFolded(std::move(item), UpperCase(*key));
    }

    // As Add, with a key already in upper case (UpperCase applied by the caller).
    void AddFolded(T item, std::string foldedKey) {
        auto [it, inserted] = index_.try_emplace(std::move(foldedKey), slots_.size());
        if (!inserted) throw RuntimeError(DuplicateKey);
        slots_.push_back(Slot{std::move(item), &it->first, true});
        ++live_;
    }

    bool Contains(std::string_view key) const { return index_.find(UpperCase(key)) != index_.end(); }

    // Item by position, 1 to Count; error 9 outside.
    const T& Item(size_t position) const { return slots_[SlotOf(position)].item; }
    T& Item(size_t position) { return slots_[SlotOf(position)].item; }

    // Item by key; error 5 when no item has the key.
    const T& Item(std::string_view key) const { return slots_[SlotOfKey(key)].item; }

    void Remove(std::string_view key) { Erase(SlotOfKey(key)); }
    void Remove(size_t position) { Erase(SlotOf(position)); }

    void Clear() {
        slots_.clear();
        index_.clear();
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
    size_t SlotOf(size_t position) const {
        if (position < 1 || position > live_) throw RuntimeError(SubscriptOutOfRange);
        Compact();
        return position - 1;
    }

    size_t SlotOfKey(std::string_view key) const {
        auto it = index_.find(UpperCase(key));
        if (it == index_.end()) throw RuntimeError(InvalidArgument);
        return it->second;
    }

    void Erase(size_t slot) {
        Slot& s = slots_[slot];
        if (s.key) index_.erase(index_.find(*s.key));
        s = Slot{T{}, nullptr, false};
        --live_;
        // Holes at the end go at once, so emptying from the last item to the first
        // never compacts.
        while (!slots_.empty() && !slots_.back().live) slots_.pop_back();
        if (slots_.size() > 2 * live_ + 16) Compact();
    }

    // Squeezes out the holes left by removals and renumbers the key index.
    void Compact() const {
        if (live_ == slots_.size()) return;
        size_t to = 0;
        for (size_t from = 0; from < slots_.size(); ++from) {
            if (!slots_[from].live) continue;
            if (to != from) slots_[to] = std::move(slots_[from]);
            if (slots_[to].key) index_.find(*slots_[to].key)->second = to;
            ++to;
        }
        slots_.resize(to);
    }

    mutable std::vector<Slot> slots_;
    mutable std::unordered_map<std::string, size_t, KeyHash, std::equal_to<>> index_;
    size_t live_ = 0;
};

}  // namespace tessaro
