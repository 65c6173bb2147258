// The code pages' tables: upper case by character, conversion to and from UTF-8, names.
#include <tessaro/CodePage.h>
#include <tessaro/RuntimeError.h>

#include <gtest/gtest.h>

namespace tessaro {
namespace {

class CodePageTest : public testing::Test {
protected:
    void TearDown() override { SetCodePage("WINDOWS-1252"); }
};

// On a double-byte page a lead byte and a trail byte it pairs with are one character;
// trail bytes that look like ASCII letters belong to their character.
TEST_F(CodePageTest, UpperCasesEachCharacterWithinItsPage) {
    struct Case { const char* page; const char* text; const char* expected; } cases[] = {
        {"WINDOWS-1252", "abc xyz", "ABC XYZ"},
        {"WINDOWS-1252", "\xE0\xE9\xF6\xFE", "\xC0\xC9\xD6\xDE"},     // à é ö þ
        {"WINDOWS-1252", "\x9A\x9C\x9E\xFF", "\x8A\x8C\x8E\x9F"},     // š œ ž ÿ -> Š Œ Ž Ÿ
        {"WINDOWS-1252", "\xDF\xB5", "\xDF\xB5"},                     // ß and µ have no upper case in the page
        {"WINDOWS-1252", "\xF7\xD7", "\xF7\xD7"},                     // ÷ and × are no letters
        {"WINDOWS-1252", "\x83", "\x83"},                             // ƒ: its upper case is not in the page
        {"WINDOWS-1252", "\x81\x8D", "\x81\x8D"},                     // undefined bytes stay
        {"CP1251", "\xE0\xFF\xB8", "\xC0\xDF\xA8"},                   // а я ё -> А Я Ё
        {"CP936", "ab\xD6\xD0\xCE\xC4", "AB\xD6\xD0\xCE\xC4"},        // CJK stays
        {"CP936", "\xA3\xE1\xA6\xC1", "\xA3\xC1\xA6\xA1"},            // full-width a, alpha -> A, Alpha
        {"CP936", "\x81\x61\x81\x5B", "\x81\x61\x81\x5B"},            // trail bytes "a" and "["
        {"CP936", "a\xD6", "A\xD6"},                                  // lone lead byte at the end
        {"CP936", "\xD6" "1a", "\xD6" "1A"},                          // lead byte before a byte it does not pair with
        {"CP932", "\x82\x81\x95\x5Cx", "\x82\x60\x95\x5CX"},          // full-width a; 0x5C trail
        {"CP949", "\xB0\xA1z", "\xB0\xA1Z"},
        {"CP950", "\xA4\x40" "b", "\xA4\x40" "B"},
    };
    for (const auto& c : cases) {
        SetCodePage(c.page);
        EXPECT_EQ(UpperCase(c.text), c.expected) << c.page << " " << c.text;
    }
}

// Bytes the page leaves undefined keep their own number as a code point (single-byte
// pages) or a private one (double-byte pages); what the page lacks, or what is not UTF-8
// at all, becomes "?". Overlong forms and surrogates are not characters: no CR, slash or
// NUL sneaks through. Every byte and every pair of bytes comes back unchanged.
TEST_F(CodePageTest, ConvertsToAndFromUtf8) {
    struct Case { const char* page; std::string bytes, utf8; bool back; } cases[] = {
        {"WINDOWS-1252", "Caf\xE9 \x80", "Café €", true},
        {"WINDOWS-1252", "\x81\x8D\x8F\x90\x9D", "\u0081\u008D\u008F\u0090\u009D", true},
        {"WINDOWS-1252", "??", "文件", false},
        {"WINDOWS-1252", "a?b", "a\xFF" "b", false},
        {"WINDOWS-1252", "a??b???c????d???", "a\xC0\x8D" "b\xE0\x80\xAF" "c\xF0\x80\x80\x80" "d\xED\xA0\x80", false},
        {"WINDOWS-1252", "?", "\xDF\xBF", false},  // the last two-byte form, U+07FF, is merely absent
        {"CP1251", "\xCF\xF0\xE8\xE2\xE5\xF2", "Привет", true},
        {"CP936", "\xB1\xC3 \xB7\xA7", "泵 阀", true},
        {"CP936", "\xD6\xD0\xCE\xC4 \xA3\xE1", "中文 ａ", true},
        {"CP936", "?x", "한x", false},
        {"CP936", "a\xD6", "a\uF8D6", true},                      // lone lead byte at the end
        {"CP936", "\xD6 \x81\x7F", "\uF8D6 \uF881\x7F", true},   // lead bytes before bytes they do not pair with
        {"CP936", "\xFF", "\uF8FF", true},                        // undefined single byte
    };
    for (const auto& c : cases) {
        SetCodePage(c.page);
        EXPECT_EQ(FromUtf8(c.utf8), c.bytes) << c.page << " " << c.utf8;
        if (c.back) {
            EXPECT_EQ(ToUtf8(c.bytes), c.utf8) << c.page << " " << c.bytes;
        }
    }
    for (const std::string page : {"WINDOWS-1252", "CP936"}) {
        SetCodePage(page);
        for (unsigned first = 0; first < 256; ++first) {
            const std::string one(1, static_cast<char>(first));
            ASSERT_EQ(FromUtf8(ToUtf8(one)), one) << page << " " << first;
            for (unsigned second = 0; second < 256 && page == "CP936"; ++second) {
                const std::string two = one + static_cast<char>(second);
                ASSERT_EQ(FromUtf8(ToUtf8(two)), two) << first << " " << second;
            }
        }
    }
}

// Names in any letter case, bare numbers; not ANSI pages (characters of three or four
// bytes, or ASCII in two-byte units) are refused by name and change nothing.
TEST_F(CodePageTest, NamesInAnyLetterCaseAndBareNumbers) {
    for (const char* name : {"cp936", "936", "Windows-936"}) {
        SetCodePage(name);
        EXPECT_EQ(ToUtf8("\xD6\xD0"), "中") << name;
    }
    SetCodePage("1251");
    EXPECT_EQ(CodePageName(), "CP1251");
    for (const char* name : {"UTF-8", "UTF-16", "GB18030", "", "CP", "NO-SUCH-PAGE"}) {
        try {
            SetCodePage(name);
            ADD_FAILURE() << name;
        } catch (const RuntimeError& error) {
            EXPECT_NE(std::string(error.what()).find("\"" + std::string(name) + "\""), std::string::npos) << error.what();
        }
    }
    EXPECT_EQ(CodePageName(), "CP1251");
}

}  // namespace
}  // namespace tessaro
