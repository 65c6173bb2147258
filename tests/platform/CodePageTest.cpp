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

TEST_F(CodePageTest, NamesInAnyLetterCaseAndBareNumbers) {
    for (const char* name : {"cp936", "936", "Windows-936"}) {
        SetCodePage(name);
        EXPECT_EQ(ToUtf8("\xD6\xD0"), "中") << name;
    }
    SetCodePage("1251");
    EXPECT_EQ(CodePageName(), "CP1251");
    // Not ANSI pages: characters of three or four bytes, or ASCII in two-byte units.
    for (const char* name : {"UTF-8", "UTF-16", "GB18030", "", "CP"}) {
        try {
            SetCodePage(name);
            ADD_FAILURE() << name;
        } catch (const RuntimeError& error) {
            EXPECT_NE(std::string(error.what()).find("\"" + std::string(name) + "\""), std::string::npos) << error.what();
        }
    }
    EXPECT_EQ(CodePageName(), "CP1251");
}

// On a double-byte page a lead byte and a trail byte it pairs with are one character;
// trail bytes that look like ASCII letters belong to their character.
TEST_F(CodePageTest, DoubleBytePagesUpperCaseEachCharacter) {
    struct Case { const char* page; const char* text; const char* expected; } cases[] = {
        {"CP936", "ab\xD6\xD0\xCE\xC4", "AB\xD6\xD0\xCE\xC4"},  // CJK stays
        {"CP936", "\xA3\xE1\xA6\xC1", "\xA3\xC1\xA6\xA1"},      // full-width a, alpha -> A, Alpha
        {"CP936", "\x81\x61\x81\x5B", "\x81\x61\x81\x5B"},      // trail bytes "a" and "["
        {"CP936", "a\xD6", "A\xD6"},                                   // lone lead byte at the end
        {"CP936", "\xD6" "1a", "\xD6" "1A"},                           // lead byte before a byte it does not pair with
        {"CP932", "\x82\x81\x95\x5Cx", "\x82\x60\x95\x5CX"},    // full-width a; 0x5C trail
        {"CP949", "\xB0\xA1z", "\xB0\xA1Z"},
        {"CP950", "\xA4\x40" "b", "\xA4\x40" "B"},
    };
    for (const auto& c : cases) {
        SetCodePage(c.page);
        EXPECT_EQ(UpperCase(c.text), c.expected) << c.page << " " << c.text;
    }
}

TEST_F(CodePageTest, DoubleByteUndefinedSequencesComeBackUnchanged) {
    SetCodePage("CP936");
    EXPECT_EQ(ToUtf8("\xB1\xC3 \xB7\xA7"), "泵 阀");
    EXPECT_EQ(FromUtf8("中文 ａ"), "\xD6\xD0\xCE\xC4 \xA3\xE1");
    EXPECT_EQ(FromUtf8("한x"), "?x");  // not in the page
    EXPECT_EQ(ToUtf8("a\xD6"), "a\uF8D6");         // lone lead byte at the end
    EXPECT_EQ(ToUtf8("\xD6 \x81\x7F"), "\uF8D6 \uF881\x7F");  // lead bytes before bytes they do not pair with
    EXPECT_EQ(ToUtf8("\xFF"), "\uF8FF");           // undefined single byte
    for (unsigned first = 0; first < 256; ++first) {
        std::string one(1, static_cast<char>(first));
        ASSERT_EQ(FromUtf8(ToUtf8(one)), one) << first;
        for (unsigned second = 0; second < 256; ++second) {
            std::string two = one + static_cast<char>(second);
            ASSERT_EQ(FromUtf8(ToUtf8(two)), two) << first << " " << second;
        }
    }
}

}  // namespace
}  // namespace tessaro
