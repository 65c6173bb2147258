#include <tessaro/Collection.h>

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace tessaro {
namespace {

using test::ErrorNumberOf;

std::vector<int> Walk(const Collection<int>& c) { return {c.begin(), c.end()}; }

// Random adds and removals against a plain vector model, keys in either letter case of
// the code page (k\xE4 and K\xC4 are one key). Every key is looked up after every step, in
// the other spelling; positions only now and then: a lookup by position squeezes out the
// holes and rebuilds the index, which would hide a fault in taking one key out of it in
// place. A failure changes nothing.
TEST(Collection, AgreesWithAPlainModelUnderRandomChanges) {
    std::mt19937 rng(7);
    Collection<int> c;
    std::vector<std::pair<std::optional<std::string>, int>> model;  // keys upper-cased
    auto check = [&](bool positions) {
        ASSERT_EQ(c.Count(), model.size());
        for (auto& [key, value] : model) {
            if (key) {
                ASSERT_EQ(c.Item("k\xE4" + key->substr(2)), value) << *key;
            }
        }
        if (!positions) return;
        std::vector<int> expected;
        for (auto& entry : model) expected.push_back(entry.second);
        ASSERT_EQ(Walk(c), expected);
        for (size_t at = 0; at < model.size(); ++at) ASSERT_EQ(c.Item(at + 1), model[at].second);
        for (size_t outside : {size_t{0}, model.size() + 1}) ASSERT_EQ(ErrorNumberOf([&] { c.Item(outside); }), SubscriptOutOfRange);
        ASSERT_EQ(ErrorNumberOf([&] { c.Remove(model.size() + 1); }), SubscriptOutOfRange);
    };
    for (int step = 0; step < 6000; ++step) {
        const int op = static_cast<int>(rng() % 20);
        const std::string number = std::to_string(rng() % 1000), key = "K\xC4" + number;
        auto same = std::find_if(model.begin(), model.end(), [&](auto& entry) { return entry.first == key; });
        if (op < 10 || model.empty()) {
            const bool keyed = rng() % 4 != 0;
            const int code = ErrorNumberOf([&] { keyed ? c.Add(step, (step % 2 ? "k\xE4" : "K\xC4") + number) : c.Add(step); });
            ASSERT_EQ(code, keyed && same != model.end() ? int{DuplicateKey} : 0);
            if (code == 0) model.emplace_back(keyed ? std::optional(key) : std::nullopt, step);
        } else if (op < 18) {
            // A keyed item now and then a key that may not be there.
            auto victim = op == 17 ? same : model.begin() + static_cast<long>(rng() % model.size());
            if (victim != model.end() && !victim->first) victim = same;
            const bool there = victim != model.end();
            ASSERT_EQ(ErrorNumberOf([&] { c.Remove(there ? *victim->first : key); }), there ? 0 : int{InvalidArgument});
            if (there) model.erase(victim);
        } else {
            const size_t at = rng() % model.size();
            c.Remove(at + 1);
            model.erase(model.begin() + static_cast<long>(at));
        }
        check(step % 500 == 499);
    }
    check(true);
}

// The patterns of large imports: the driver's teardown from the last item to the first,
// and additions and removals at the end, squeeze out the text of removed keys now and
// then; every remaining key must still be found, in any letter case, at its place.
TEST(Collection, KeysSurviveTheSqueezingOfRemovedKeyText) {
    auto key = [](int i) { return "_conveyor_belt_section_" + std::to_string(i) + std::string(80, 'x') + "_1"; };
    // Items, and items removed from the end: enough to pass the squeezing threshold, or not.
    struct Case { int items, removedFromTheEnd; } cases[] = {{3000, 100}, {3000, 2000}, {3000, 3000}, {20000, 19999}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.items) + " items, " + std::to_string(c.removedFromTheEnd) + " removed");
        Collection<int> collection;
        for (int i = 0; i < c.items; ++i) collection.Add(i, key(i));
        for (int i = c.items; i > c.items - c.removedFromTheEnd; --i) collection.Remove(static_cast<size_t>(i));
        for (int round = 0; round < 2000; ++round) {
            collection.Add(-1, key(-1));
            collection.Remove(key(-1));
        }
        const int kept = c.items - c.removedFromTheEnd;
        ASSERT_EQ(collection.Count(), static_cast<size_t>(kept));
        // Every key before any position: a lookup by position rebuilds the index.
        for (int i = 0; i < kept; ++i) ASSERT_EQ(collection.Item(UpperCase(key(i))), i);
        EXPECT_FALSE(collection.Contains(key(kept)));
        EXPECT_EQ(ErrorNumberOf([&] { collection.Add(0, key(0)); }), kept > 0 ? int{DuplicateKey} : 0);
        for (int i = 0; i < kept; ++i) ASSERT_EQ(collection.Item(static_cast<size_t>(i) + 1), i);
    }
}

}  // namespace
}  // namespace tessaro
