#include <tessaro/Collection.h>

#include "TestSupport.h"

#include <gtest/gtest.h>

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

// Random adds and removals against a plain vector model: positions, keys and the walk
// must agree after every step, across the squeezing of removed slots.
TEST(Collection, AgreesWithAPlainModelUnderRandomChanges) {
    std::mt19937 rng(7);
    Collection<int> c;
    std::vector<std::pair<std::optional<std::string>, int>> model;
    for (int step = 0; step < 20000; ++step) {
        int op = static_cast<int>(rng() % 10);
        if (op < 5 || model.empty()) {
            std::optional<std::string> key;
            if (rng() % 4) key = "k" + std::to_string(rng() % 3000);
            bool taken = false;
            for (auto& [k, v] : model)
                if (k && key && *k == *key) taken = true;
            int code = ErrorNumberOf([&] { key ? c.Add(step, *key) : c.Add(step); });
            ASSERT_EQ(code, taken ? int{DuplicateKey} : 0);
            if (!taken) model.emplace_back(key, step);
        } else if (op < 8) {
            size_t at = rng() % model.size();
            c.Remove(at + 1);
            model.erase(model.begin() + static_cast<long>(at));
        } else {
            size_t at = rng() % model.size();
            if (model[at].first) {
                c.Remove(*model[at].first);
                model.erase(model.begin() + static_cast<long>(at));
            }
        }
        ASSERT_EQ(c.Count(), model.size());
        if (!model.empty()) {
            size_t probe = rng() % model.size();
            ASSERT_EQ(c.Item(probe + 1), model[probe].second);
            if (model[probe].first) {
                ASSERT_EQ(c.Item(*model[probe].first), model[probe].second);
            }
        }
    }
    std::vector<int> expected;
    for (auto& [k, v] : model) expected.push_back(v);
    EXPECT_EQ(Walk(c), expected);
}

}  // namespace
}  // namespace tessaro
