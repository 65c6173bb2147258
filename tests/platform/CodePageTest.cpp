#include <tessaro/CodePage.h>
#include <tessaro/RuntimeError.h>

#include <gtest/gtest.h>

#include <string>

namespace tessaro {
namespace {

class CodePageTest : public testing::Test {
protected:
    void TearDown() override { SetCodePage("WINDOWS-1252"); }
};

TEST_F(CodePageTest, UpperCasesEachCharacterWithinWindows1252) {
    struct Case { const char* text; const char* expected; } cases[] = {
        {"abc xyz", "ABC XYZ"},
        {"\xE0\xE9\xF6\xFE", "\xC0\xC9\xD6\xDE"},  // à é ö þ
        {"\x9A\x9C\x9E\xFF", "\x8A\x8C\x8E\x9F"},  // š œ ž ÿ -> Š Œ Ž Ÿ
        {"\xDF\xB5", "\xDF\xB5"},                  // ß and µ have no upper case in the page
        {"\xF7\xD7", "\xF7\xD7"},                  // ÷ and × are no letters
        {"\x83", "\x83"},                          // ƒ: its upper case is not in the page
        {"\x81\x8D", "\x81\x8D"},                  // undefined bytes stay
    };
    for (const auto& c : cases) EXPECT_EQ(UpperCase(c.text), c.expected) << c.text;
}

TEST_F(CodePageTest, ConvertsToAndFromUtf8) {
    EXPECT_EQ(ToUtf8("Caf\xE9 \x80"), "Café €");
    // Bytes the page leaves undefined keep their own number as a code point.
    EXPECT_EQ(ToUtf8("\x81\x8D\x8F\x90\x9D"), "\u0081\u008D\u008F\u0090\u009D");
    EXPECT_EQ(FromUtf8("Fehler f\u00FCr \u20AC"), "Fehler f\xFCr \x80");
    EXPECT_EQ(FromUtf8("文件"), "??");  // characters the page lacks
    EXPECT_EQ(FromUtf8("a\xFF" "b"), "a?b");  // not UTF-8 at all
    // Overlong forms and surrogates are not characters: no CR, slash or NUL sneaks through.
    EXPECT_EQ(FromUtf8("a\xC0\x8D" "b\xE0\x80\xAF" "c\xF0\x80\x80\x80" "d\xED\xA0\x80"), "a??b???c????d???");
    EXPECT_EQ(FromUtf8("\xDF\xBF"), "?");  // the last two-byte form, U+07FF, is merely absent
    for (int b = 0; b < 256; ++b) {
        std::string one(1, static_cast<char>(b));
        ASSERT_EQ(FromUtf8(ToUtf8(one)), one) << b;
    }
}

TEST_F(CodePageTest, OtherSingleBytePagesFoldTheirOwnLetters) {
    SetCodePage("CP1251");
    EXPECT_EQ(UpperCase("\xE0\xFF\xB8"), "\xC0\xDF\xA8");  // а я ё -> А Я Ё
    EXPECT_EQ(ToUtf8("\xCF\xF3\xEC\xEF"), "Пумп");
    EXPECT_EQ(FromUtf8("Привет"), "\xCF\xF0\xE8\xE2\xE5\xF2");
    EXPECT_THROW(SetCodePage("NO-SUCH-PAGE"), RuntimeError);
    EXPECT_EQ(CodePageName(), "CP1251");
}

}  // namespace
}  // namespace tessaro
