#include "platform/Text.h"

#include <tessaro/CodePage.h>
#include <tessaro/RuntimeError.h>

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <string>

namespace tessaro {
namespace {

using test::ErrorNumberOf;

// CP936: 中 D6D0, 文 CEC4; 0x815B is one character whose trail byte is "[".
class DoubleByteText : public testing::Test {
protected:
    void SetUp() override { SetCodePage("CP936"); }
    void TearDown() override { SetCodePage("WINDOWS-1252"); }
};

TEST_F(DoubleByteText, ColumnsCountCharacters) {
    const std::string text = "\xD6\xD0\xCE\xC4" "ab\x81\x5B";  // 中文ab + one character
    struct Case { size_t first, count; std::string expected; } cases[] = {
        {1, 1, "\xD6\xD0"}, {2, 2, "\xCE\xC4" "a"}, {4, 24, "b\x81\x5B"}, {5, 1, "\x81\x5B"},
        {6, 1, ""},         {0, 3, ""},               {1, 0, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(Columns(text, c.first, c.count), c.expected) << c.first << " " << c.count;
    EXPECT_EQ(ColumnsFrom(text, 3), "ab\x81\x5B");
    EXPECT_EQ(CharacterCount(text), 5u);
    EXPECT_EQ(LastColumns(text, 3), "ab\x81\x5B");
    EXPECT_EQ(LastColumns(text, 9), text);
    // A lead byte without its trail is a character of its own.
    EXPECT_EQ(CharacterCount("a\xD6 \xD6"), 4u);
    EXPECT_EQ(Columns("a\xD6 \xD6", 4, 1), "\xD6");
}

TEST_F(DoubleByteText, SearchesFindWholeCharactersOnly) {
    const std::string text = "\x81\x5B[\xD6\xD0]";  // the first "[" byte is a trail byte
    EXPECT_EQ(Position(text, "["), 2u);
    EXPECT_EQ(Position(text, "]"), 4u);
    EXPECT_EQ(Position(text, "["), Position(text, "[", 2));
    EXPECT_EQ(Position(text, "[", 3), 0u);
    EXPECT_EQ(Position(text, "", 5), 5u);
    EXPECT_EQ(Position(text, "", 6), 0u);
    EXPECT_FALSE(Contains("\x81\x5B", "["));
    EXPECT_EQ(Position("\xD6\xD0\xCE\xC4 := 1", ":="), 4u);
}

TEST_F(DoubleByteText, FitColumnsCutsOrPadsByCharacters) {
    std::string line = "\xD6\xD0->\xCE\xC4";
    FitColumns(line, 6);
    EXPECT_EQ(line, "\xD6\xD0->\xCE\xC4  ");
    FitColumns(line, 2);
    EXPECT_EQ(line, "\xD6\xD0-");
}

TEST(NumberIn, ReadsTheLeadingDecimalNumber) {
    struct Case { const char* text; double expected; } cases[] = {
        {"12", 12},           {"12.3", 12.3},       {"0.7", 0.7},          {"  7  ", 7},
        {"1 2 3", 123},       {"- 5", -5},          {"+5", 5},             {"--5", 0},
        {"1.2.3", 1.2},       {".5", 0.5},          {"-.5", -0.5},         {".", 0},
        {"", 0},              {"abc", 0},           {"M 12", 0},           {"12abc", 12},
        {"1E3", 1000},        {"1e3", 1000},        {"1D3", 1000},         {"2.5E-1", 0.25},
        {"1 E 2", 100},       {"1E", 1},            {"1E+", 1},            {"1Ex", 1},
        {"3E-400", 0},        {"007", 7},           {"0.000", 0},          {"12.5;", 12.5},
        {"4\t2", 42},         {"12 .3", 12.3},      {"-0", 0},             {"1.500000e+000;", 1.5},
    };
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(NumberIn(c.text), c.expected) << '"' << c.text << '"';
}

TEST(NumberIn, OverflowsBeyondADouble) {
    EXPECT_EQ(ErrorNumberOf([] { NumberIn("1E400"); }), Overflow);
    EXPECT_EQ(ErrorNumberOf([] { NumberIn(std::string(400, '9')); }), Overflow);
    EXPECT_DOUBLE_EQ(NumberIn(std::string(300, '1') + "E-299"), NumberIn("1.11111111111111111111"));
}

// A slow, obviously right reader: strip the blanks, find the longest prefix of the
// number's grammar, hand it to strtod.
double ReferenceNumberIn(const std::string& text) {
    std::string s;
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\n') s.push_back(c);
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    size_t digits = 0;
    while (i < s.size() && isdigit(static_cast<unsigned char>(s[i]))) ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && isdigit(static_cast<unsigned char>(s[i]))) ++i, ++digits;
    }
    if (digits == 0) return 0;
    size_t mantissaEnd = i;
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
        size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        size_t expDigits = 0;
        while (j < s.size() && isdigit(static_cast<unsigned char>(s[j]))) ++j, ++expDigits;
        if (expDigits) mantissaEnd = j;
    }
    std::string number = s.substr(0, mantissaEnd);
    for (char& c : number)
        if (c == 'D' || c == 'd') c = 'E';
    return std::strtod(number.c_str(), nullptr);
}

TEST(NumberIn, AgreesWithAReferenceOnEveryShortInput) {
    const std::string alphabet = "0159.-+E D";
    // Every text of up to five characters over the alphabet.
    std::string text;
    size_t checked = 0;
    auto visit = [&](auto&& self, size_t depth) -> void {
        double expected = ReferenceNumberIn(text);
        if (std::isinf(expected)) {
            ASSERT_EQ(ErrorNumberOf([&] { NumberIn(text); }), Overflow) << '"' << text << '"';
        } else {
            ASSERT_EQ(NumberIn(text), expected) << '"' << text << '"';
        }
        ++checked;
        if (depth == 5) return;
        for (char c : alphabet) {
            text.push_back(c);
            self(self, depth + 1);
            text.pop_back();
        }
    };
    visit(visit, 0);
    EXPECT_GT(checked, 100000u);
}

// Truncation toward zero, rounding halves to even, addition: each within its width or
// error 6. kOverflow marks the overflow.
TEST(Narrowing, WithinTheWidthOrOverflow) {
    constexpr int64_t kOverflow = INT64_MIN;
    struct Case {
        const char* what;
        std::function<int32_t()> call;
        int64_t expected;
    } cases[] = {
        {"trunc 12.9", [] { return TruncateToInt32(12.9); }, 12},
        {"trunc -12.9", [] { return TruncateToInt32(-12.9); }, -12},
        {"trunc max", [] { return TruncateToInt32(2147483647.9); }, INT32_MAX},
        {"trunc min", [] { return TruncateToInt32(-2147483648.9); }, INT32_MIN},
        {"trunc max+1", [] { return TruncateToInt32(2147483648.0); }, kOverflow},
        {"trunc min-1", [] { return TruncateToInt32(-2147483649.0); }, kOverflow},
        {"trunc NaN", [] { return TruncateToInt32(std::nan("")); }, kOverflow},
        {"16: 32767.4", [] { return RoundToInt16(32767.4); }, 32767},
        {"16: 32766.5", [] { return RoundToInt16(32766.5); }, 32766},
        {"16: 32767.5", [] { return RoundToInt16(32767.5); }, kOverflow},  // rounds to 32768
        {"16: -32768.5", [] { return RoundToInt16(-32768.5); }, -32768},   // rounds to even -32768
        {"16: -32769", [] { return RoundToInt16(-32769.0); }, kOverflow},
        {"32: 2147483646.5", [] { return RoundToInt32(2147483646.5); }, 2147483646},
        {"32: 2147483647.5", [] { return RoundToInt32(2147483647.5); }, kOverflow},
        {"32: -2147483648.5", [] { return RoundToInt32(-2147483648.5); }, INT32_MIN},
        {"add to max", [] { return AddInt32(INT32_MAX - 1, 1); }, INT32_MAX},
        {"add past max", [] { return AddInt32(INT32_MAX, 1); }, kOverflow},
        {"add past min", [] { return AddInt32(INT32_MIN, -1); }, kOverflow},
    };
    for (const auto& c : cases) {
        if (c.expected == kOverflow) {
            EXPECT_EQ(ErrorNumberOf([&] { c.call(); }), Overflow) << c.what;
        } else {
            EXPECT_EQ(c.call(), c.expected) << c.what;
        }
    }
    struct Half {
        double value;
        int32_t expected;
    } halves[] = {{2.5, 2}, {-2.5, -2}, {3.5, 4}, {-3.5, -4}, {0.5, 0}, {1.5, 2}, {2.4999, 2}, {2.5001, 3}};
    for (const auto& c : halves) {
        EXPECT_EQ(RoundToInt32(c.value), c.expected) << c.value;
        EXPECT_EQ(RoundToInt16(c.value), c.expected) << c.value;
    }
}

}  // namespace
}  // namespace tessaro
