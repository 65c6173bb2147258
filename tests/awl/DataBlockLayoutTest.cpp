// The layout of a data block: value lines placed one after another from given counters,
// each landing where NextByte said it would.
#include "TestSupport.h"
#include "awl/DataBlockLayout.h"

#include <tessaro/RuntimeError.h>

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace tessaro::test {
namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

struct Element {
    std::string line, type;
    int32_t length, at;
};

struct Case {
    const char* what;
    int32_t byte, bits;
    std::vector<Element> elements;
};

Element Bit(const std::string& path, int32_t at) { return {"   " + path + " := TRUE;", "BOOL", 0, at}; }
Element Bytes(const std::string& path, int32_t length, int32_t at) { return {"   " + path + " := 0;", "", length, at}; }

TEST(DataBlockLayout, PlacesElementsInTurn) {
    const Case cases[] = {
        {"a bit in an open run keeps its byte", 4, 3, {Bit("X", 4), Bit("Y", 4)}},
        {"the ninth bit opens the next byte", 4, 8, {Bit("X", 5), Bit("Y", 5)}},
        {"eight bits share a byte", 0, 0,
         {Bit("S.A", 0), Bit("S.B", 0), Bit("S.C", 0), Bit("S.D", 0), Bit("S.E", 0), Bit("S.F", 0), Bit("S.G", 0),
          Bit("S.H", 0), Bit("S.I", 1), Bytes("S.W", 2, 2)}},
        {"bits and single bytes take odd bytes too", 5, 0, {Bytes("B", 1, 5), Bit("X", 6), Bytes("C", 1, 7)}},
        {"a byte after bits takes the next byte", 4, 3, {Bytes("B", 1, 5)}},
        {"two bytes or more start on an even byte", 0, 3, {Bytes("W", 2, 2), Bytes("D", 4, 4), Bytes("B", 1, 8),
                                                           Bytes("W", 2, 10)}},
        {"after bits: the next byte, then even", 2, 1, {Bytes("W", 2, 4)}},
        {"an element of no length closes a run without moving", 3, 2, {Bytes("C", 0, 3), Bit("X", 3), Bytes("W", 2, 4)}},
        {"a byte-long BOOL after a full run skips two", 4, 8, {{"   X := TRUE;", "BOOL", 1, 6}}},
        {"another structure closes the run at the next even byte", 0, 0,
         {Bit("S.A", 0), Bit("S.B", 0), Bit("T.A", 2), Bit("T.U.A", 4), Bit("X", 6)}},
        {"the same structure keeps the run", 0, 0, {Bit("S.A[1]", 0), Bit("S.A[2]", 0), Bytes("S.B", 1, 1)}},
        {"lines without a path keep the run", 0, 0, {Bit("A", 0), Bit("B", 0)}},
        {"an element of no length at the last byte", kMax, 0, {Bytes("C", 0, kMax)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DataBlockLayout layout(c.byte, c.bits);
        for (const Element& e : c.elements) {
            SCOPED_TRACE(e.line);
            layout.BeginLine(e.line);
            EXPECT_EQ(layout.NextByte(e.type, e.length), e.at);
            EXPECT_EQ(layout.NextByte(e.type, e.length), e.at);  // asking moves nothing
            EXPECT_EQ(layout.Place(e.type, e.length), e.at);
        }
    }
}

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
