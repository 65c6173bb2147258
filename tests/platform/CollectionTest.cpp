#include <tessaro/Collection.h>

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace tessaro {
namespace {

using test::ErrorNumberOf;

std::vector<int> Walk(const Collection<int>& c) { return {c.begin(), c.end()}; }

// Positions from 1, keys folded in the code page; failures change nothing. The walk
// across removals and re-adds is checked against a model below.
TEST(Collection, PositionsKeysAndFailures) {
    Collection<int> c;
    c.Add(10, "_Pump_1");
    c.Add(20);
    c.Add(30, "\xE4");  // ä
    EXPECT_EQ(c.Item(1), 10);
    EXPECT_EQ(c.Item("_PUMP_1"), 10);
    EXPECT_EQ(ErrorNumberOf([&] { c.Add(2, "_pump_1"); }), DuplicateKey);
    EXPECT_EQ(ErrorNumberOf([&] { c.Add(4, "\xC4"); }), DuplicateKey);  // Ä
    EXPECT_EQ(Walk(c), (std::vector<int>{10, 20, 30}));
    c.Add(5, "\xDF");  // ß has no single upper case and stays apart from SS
    c.Add(6, "SS");
    EXPECT_EQ(c.Count(), 5u);
    EXPECT_EQ(ErrorNumberOf([&] { c.Item(0); }), SubscriptOutOfRange);
    EXPECT_EQ(ErrorNumberOf([&] { c.Item(6); }), SubscriptOutOfRange);
    EXPECT_EQ(ErrorNumberOf([&] { c.Item("b"); }), InvalidArgument);
    EXPECT_EQ(ErrorNumberOf([&] { c.Remove("b"); }), InvalidArgument);
    EXPECT_EQ(ErrorNumberOf([&] { c.Remove(6); }), SubscriptOutOfRange);
    c.Remove("_pump_1");
    EXPECT_FALSE(c.Contains("_Pump_1"));
    EXPECT_EQ(c.Item(1), 20);
}

// Random adds and removals against a plain vector model. Every key is looked up after
// every step, positions only now and then: a lookup by position squeezes out the holes
// and rebuilds the index, which would hide a fault in taking one key out of it in place.
TEST(Collection, AgreesWithAPlainModelUnderRandomChanges) {
    std::mt19937 rng(7);
    Collection<int> c;
    std::vector<std::pair<std::optional<std::string>, int>> model;
    auto check = [&](bool positions) {
        ASSERT_EQ(c.Count(), model.size());
        for (auto& [key, value] : model) {
            if (key) {
                ASSERT_EQ(c.Item(*key), value) << *key;
            }
        }
        if (!positions) return;
        std::vector<int> expected;
        for (auto& entry : model) expected.push_back(entry.second);
        ASSERT_EQ(Walk(c), expected);
        for (size_t at = 0; at < model.size(); ++at) ASSERT_EQ(c.Item(at + 1), model[at].second);
    };
    for (int step = 0; step < 6000; ++step) {
        const int op = static_cast<int>(rng() % 20);
        const std::string key = "k" + std::to_string(rng() % 1000);
        auto same = std::find_if(model.begin(), model.end(), [&](auto& entry) { return entry.first == key; });
        if (op < 10 || model.empty()) {
            const bool keyed = rng() % 4 != 0;
            const int code = ErrorNumberOf([&] { keyed ? c.Add(step, key) : c.Add(step); });
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

}  // namespace
}  // namespace tessaro
