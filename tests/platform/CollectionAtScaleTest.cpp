// The collection under the patterns of large imports: the driver's teardown from the last
// item to the first, and additions and removals at the end, squeeze out the text of
// removed keys now and then; every remaining key must still be found, in any letter
// case, at its place.
#include <tessaro/Collection.h>

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace tessaro {
namespace {

std::string KeyOf(int i) { return "_conveyor_belt_section_" + std::to_string(i) + std::string(80, 'x') + "_1"; }

TEST(CollectionAtScale, KeysSurviveTheSqueezingOfRemovedKeyText) {
    struct Case {
        int items;
        int removedFromTheEnd;  // enough to pass the squeezing threshold, or not
    };
    const Case cases[] = {{3000, 100}, {3000, 2000}, {3000, 3000}, {20000, 19999}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.items) + " items, " + std::to_string(c.removedFromTheEnd) + " removed");
        Collection<int> collection;
        for (int i = 0; i < c.items; ++i) collection.Add(i, KeyOf(i));
        for (int i = c.items; i > c.items - c.removedFromTheEnd; --i) collection.Remove(static_cast<size_t>(i));
        // Additions and removals at the end, as a run of imports into one collection.
        for (int round = 0; round < 2000; ++round) {
            collection.Add(-1, KeyOf(-1));
            collection.Remove(KeyOf(-1));
        }
        const int kept = c.items - c.removedFromTheEnd;
        ASSERT_EQ(collection.Count(), static_cast<size_t>(kept));
        for (int i = 0; i < kept; ++i) {
            std::string upper = UpperCase(KeyOf(i));
            ASSERT_EQ(collection.Item(upper), i);
            ASSERT_EQ(collection.Item(static_cast<size_t>(i) + 1), i);
        }
        EXPECT_FALSE(collection.Contains(KeyOf(kept)));
        EXPECT_EQ(test::ErrorNumberOf([&] { collection.Add(0, KeyOf(0)); }), kept > 0 ? int{DuplicateKey} : 0);
    }
}

}  // namespace
}  // namespace tessaro
