#pragma once
// What the importers need of Variables, so that a host can hand over a collection of its
// own: add under a key, remove by key or position, count, fetch by key, and walk in
// order. The driver's own collection (VariableCollection) is one implementation; the
// automation server has one over a host's collection.
//
// Keys compare without regard to letter case; adding a key that is already present
// fails with error 457 and leaves the list unchanged. Every failure is a RuntimeError.

#include <tessaro/CodePage.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>

namespace tessaro {

struct Variable;
using VariablePtr = std::shared_ptr<Variable>;

class VariableList {
public:
    virtual ~VariableList() = default;

    virtual size_t Count() const = 0;
    // Appends variable under a key already in upper case (UpperCase); 457 when taken.
    virtual void AddFolded(VariablePtr variable, std::string foldedKey) = 0;
    // Item by position, 1 to Count (9 outside), or by key (5 when no item has it).
    virtual VariablePtr Item(size_t position) const = 0;
    virtual VariablePtr Item(std::string_view key) const = 0;
    virtual void Remove(std::string_view key) = 0;
    virtual void Remove(size_t position) = 0;
    // Hands the items to visit in order until it answers false.
    virtual void ForEach(const std::function<bool(const VariablePtr&)>& visit) const = 0;
    // A number that changes with every Add and Remove, so that an index over the list
    // can tell it has gone stale. A list that cannot tell answers a new number each time.
    virtual uint64_t Version() const = 0;

    void Add(VariablePtr variable, std::string_view key) { AddFolded(std::move(variable), UpperCase(key)); }

    // Walks the list by position (for a range-for over any implementation).
    class const_iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = VariablePtr;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = VariablePtr;
        const_iterator() = default;
        const_iterator(const VariableList* list, size_t position) : list_(list), position_(position) {}
        VariablePtr operator*() const { return list_->Item(position_); }
        const_iterator& operator++() {
            ++position_;
            return *this;
        }
        bool operator==(const const_iterator& other) const { return position_ == other.position_; }

    private:
        const VariableList* list_ = nullptr;
        size_t position_ = 0;
    };
    const_iterator begin() const { return const_iterator(this, 1); }
    const_iterator end() const { return const_iterator(this, Count() + 1); }
};

}  // namespace tessaro
