#include <tessaro/Collection.h>

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

namespace tessaro {
namespace {

int ErrorOf(auto&& call) {
    try {
        call();
    } catch (const RuntimeError& e) {
        return e.Number;
    }
    return 0;
}

std::vector<int> Walk(const Collection<int>& c) { return {c.begin(), c.end()}; }

TEST(Collection, KeepsInsertionOrderAndCountsFromOne) {
    Collection<int> c;
    c.Add(10, "a");
    c.Add(20);
    c.Add(30, "c");
    EXPECT_EQ(c.Count(), 3u);
    EXPECT_EQ(c.Item(1), 10);
    EXPECT_EQ(c.Item(3), 30);
    EXPECT_EQ(c.Item("C"), 30);
    EXPECT_EQ(Walk(c), (std::vector<int>{10, 20, 30}));
    EXPECT_EQ(ErrorOf([&] { c.Item(0); }), SubscriptOutOfRange);
    EXPECT_EQ(ErrorOf([&] { c.Item(4); }), SubscriptOutOfRange);
    EXPECT_EQ(ErrorOf([&] { c.Item("b"); }), InvalidArgument);
}

TEST(Collection, DuplicateKeyDifferingInCaseFailsAndChangesNothing) {
    Collection<int> c;
    c.Add(1, "_Pump_1");
    EXPECT_EQ(ErrorOf([&] { c.Add(2, "_PUMP_1"); }), DuplicateKey);
    EXPECT_EQ(c.Count(), 1u);
    EXPECT_EQ(Walk(c), (std::vector<int>{1}));
    // Letters of the code page fold too: ä and Ä are one key.
    c.Add(3, "\xE4");
    EXPECT_EQ(ErrorOf([&] { c.Add(4, "\xC4"); }), DuplicateKey);
    // ß has no single-character upper case and stays apart from SS.
    c.Add(5, "\xDF");
    c.Add(6, "SS");
    EXPECT_EQ(c.Count(), 4u);
}

TEST(Collection, RemovalThenReAddGoesToTheEnd) {
    Collection<int> c;
    c.Add(1, "a");
    c.Add(2, "b");
    c.Add(3, "c");
    c.Remove("B");
    EXPECT_FALSE(c.Contains("b"));
    EXPECT_EQ(c.Item(2), 3);
    c.Add(4, "b");
    EXPECT_EQ(Walk(c), (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(c.Item("b"), 4);
    c.Remove(1);
    EXPECT_EQ(Walk(c), (std::vector<int>{3, 4}));
    EXPECT_EQ(c.Item("c"), 3);
    EXPECT_EQ(ErrorOf([&] { c.Remove("a"); }), InvalidArgument);
    EXPECT_EQ(ErrorOf([&] { c.Remove(3); }), SubscriptOutOfRange);
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
            int code = ErrorOf([&] { key ? c.Add(step, *key) : c.Add(step); });
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
