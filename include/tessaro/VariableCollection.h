#pragma once
// The driver's own Variables: a keyed Collection of Variable records behind the
// VariableList the importers use. Adding and removing cost what they cost in the
// Collection, plus a change count; nothing is allocated or scanned besides.

#include <tessaro/Collection.h>
#include <tessaro/VariableList.h>

#include <optional>

namespace tessaro {

class VariableCollection final : public VariableList {
public:
    size_t Count() const override { return items_.Count(); }
    void AddFolded(VariablePtr variable, std::string foldedKey) override {
        items_.AddFolded(std::move(variable), std::move(foldedKey));
        ++version_;
    }
    // With a key in any letter case, or without a key.
    void Add(VariablePtr variable, std::optional<std::string_view> key = std::nullopt) {
        items_.Add(std::move(variable), key);
        ++version_;
    }
    VariablePtr Item(size_t position) const override { return items_.Item(position); }
    VariablePtr Item(std::string_view key) const override { return items_.Item(key); }
    bool Contains(std::string_view key) const { return items_.Contains(key); }
    void Remove(std::string_view key) override {
        items_.Remove(key);
        ++version_;
    }
    void Remove(size_t position) override {
        items_.Remove(position);
        ++version_;
    }
    void Clear() {
        items_.Clear();
        ++version_;
    }
    void ForEach(const std::function<bool(const VariablePtr&)>& visit) const override {
        for (const VariablePtr& variable : items_)
            if (!visit(variable)) return;
    }
    uint64_t Version() const override { return version_; }

    Collection<VariablePtr>::const_iterator begin() const { return items_.begin(); }
    Collection<VariablePtr>::const_iterator end() const { return items_.end(); }

private:
    Collection<VariablePtr> items_;
    uint64_t version_ = 0;
};

}  // namespace tessaro
