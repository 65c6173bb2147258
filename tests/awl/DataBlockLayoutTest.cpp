// The layout of a data block at the end of the address range.
#include "TestSupport.h"
#include "awl/DataBlockLayout.h"

#include <tessaro/RuntimeError.h>

#include <gtest/gtest.h>

#include <limits>

namespace tessaro::test {
namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

// Where elements land is shown by the example imports; counters near the limit cannot
// be reached from a file of sensible size.
TEST(DataBlockLayout, AddressesPastTheLimitOverflow) {
    EXPECT_EQ(ErrorNumberOf([] { DataBlockLayout(kMax - 1, 1).NextByte("", 2); }), Overflow);  // +1 odd, +1 past
    EXPECT_EQ(ErrorNumberOf([] { DataBlockLayout(kMax, 8).NextByte("BOOL", 0); }), Overflow);
    EXPECT_EQ(ErrorNumberOf([] { DataBlockLayout(kMax, 0).NextByte("", 1); }), 0);
    EXPECT_EQ(ErrorNumberOf([] { DataBlockLayout(kMax, 0).Place("", 1); }), Overflow);  // nothing after it
    EXPECT_EQ(ErrorNumberOf([] {
                  DataBlockLayout layout(kMax - 1, 1);
                  layout.BeginLine("   S.A := TRUE;");
                  layout.BeginLine("   T.A := TRUE;");
              }),
              Overflow);
}

}  // namespace
}  // namespace tessaro::test
