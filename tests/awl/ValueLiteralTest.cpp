// The classification of value literals: every rule with its letter case, the text rule
// with and without declarations, the timer bases, and the failures.
#include "AwlFixture.h"
#include "awl/UDTInfoRecord.h"
#include "awl/ValueLiteral.h"

#include <tessaro/RuntimeError.h>

#include <gtest/gtest.h>

#include <functional>
#include <random>

namespace tessaro {
namespace {

using test::ErrorNumberOf;

const DeclarationTable kNone(1);

// A value line as the source writes it: three blanks, the path, " := ", the literal.
std::string Line(const std::string& value, const std::string& path = "X") { return "   " + path + " := " + value; }

LiteralClass Classify(const std::string& line, int32_t db = 12, const DeclarationTable& strings = kNone,
                      const DeclarationTable& udts = kNone, const UDTCollection* UDTs = nullptr) {
    return ClassifyValueLiteral(line, db, strings, udts, UDTs);
}

TEST(ValueLiteral, RulesInOrderWithTheirLetterCase) {
    struct Case {
        std::string value;
        int rule;
        std::string source, device;
        int32_t length;
        std::string tag;
        bool sign;
    };
    const Case cases[] = {
        {"TRUE;", 1, "BOOL", "Byte", 0, "BOOL", false}, {"FALSE;", 1, "BOOL", "Byte", 0, "BOOL", false},
        {"'ab TRUE;';", 1, "BOOL", "Byte", 0, "BOOL", false},  // rule 1 before the text rule
        {"true;", 17, "", "", 0, "", false},                     // rule 1 keeps the case
        {"TRUE", 17, "", "", 0, "", false},                      // the ";" belongs to the word
        {"'A';", 2, "", "String", 1, "", false},
        {"-1.500000e+000;", 3, "REAL", "Floating point", 4, "", true},  // before INT
        {"1.500000E-003;", 3, "REAL", "Floating point", 4, "", true},
        {"2.0E+1;", 3, "REAL", "Floating point", 4, "", true}, {"-5;", 4, "INT", "Word", 2, "", true},
        {"120;", 4, "INT", "Word", 2, "", true},
        {"0.5;", 4, "INT", "Word", 2, "", true},  // no exponent: the first character decides
        {"P#M 10.0;", 5, "POINTER", "", 10, "POINTER", false},
        {"p#M 10.0;", 17, "", "", 0, "", false}, {"DB10;", 6, "BLOCK", "", 2, "BLOCK", false},
        {"FC 3;", 6, "BLOCK", "", 2, "BLOCK", false}, {"FB 2;", 6, "BLOCK", "", 2, "BLOCK", false},
        {"SDB 1;", 6, "BLOCK", "", 2, "BLOCK", false}, {"Db10;", 17, "", "", 0, "", false},
        {"B#16#0;", 7, "", "Byte", 1, "", false}, {"b#16#0;", 17, "", "", 0, "", false},
        {"W#16#FFFF;", 8, "", "Word", 2, "", false}, {"w#16#0;", 17, "", "", 0, "", false},
        {"DW#16#0;", 9, "", "Dword", 4, "", false}, {"dw#16#0;", 17, "", "", 0, "", false},
        {"T#1S;", 10, "TIME", "Dword", 4, "TIME", false}, {"t#1s;", 17, "", "", 0, "", false},
        {"T 5;", 11, "TIMER/COUNT", "", 2, "TIMER/COUNT", false},
        {"Z 3;", 11, "TIMER/COUNT", "", 2, "TIMER/COUNT", false}, {"C 3;", 17, "", "", 0, "", false},
        {"D#1990-1-1;", 12, "DATE", "Word", 2, "DATE", false},
        {"TOD#0:0:0.000;", 13, "TIME DAY", "Dword", 4, "TIME DAY", false},
        {"DT#90-1-1-0:0:0.000;", 14, "DATE TIME", "Dword", 8, "DATE TIME", false},
        {"L#0;", 15, "LINT", "Dword", 4, "", true}, {"l#0;", 17, "", "", 0, "", false},
        {"S5T#0MS;", 16, "TIMER", "Timer 1/100 sec.", 2, "", false},
        {"s5t#0ms;", 17, "", "", 0, "", false}, {";", 17, "", "", 0, "", false}, {"C#5;", 17, "", "", 0, "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        LiteralClass r = Classify(Line(c.value));
        EXPECT_EQ(r.Rule, c.rule);
        EXPECT_EQ(r.SourceType, c.source);
        EXPECT_EQ(r.DeviceType, c.device);
        EXPECT_EQ(r.DataLength, c.length);
        EXPECT_EQ(r.TagAttribute, c.tag);
        EXPECT_EQ(r.Sign, c.sign);
    }
}

TEST(ValueLiteral, ValueWindowStartsFiveAfterTheSeparatorOfTheTrimmedLine) {
    struct Case { std::string line; std::string window; };
    const Case cases[] = {
        {"   Speed := 120;", "120;"}, {"  Speed := 120;", "120;"},
        {"Speed := 120;", "0;"},  // unindented: the window starts inside the literal
        {"   X := 'ABCDEFGHIJKLMNOPQRSTUVWXYZ';", "'ABCDEFGHIJKLMNOPQR"},
        {"  X := 'ABCDEFGHIJKLMNOPQRSTUVWXYZ';", "'ABCDEFGHIJKLMNOPQRS"}, {"   X := ", ""}, {"   X :=   7  ;", "7  ;"},
    };
    for (const auto& c : cases) EXPECT_EQ(ValueText(c.line), c.window) << c.line;
}

TEST(ValueLiteral, PointerLengthFollowsTheBlankTestOnTheWholeLine) {
    EXPECT_EQ(Classify("   X := P#DB10.DBX0.0 BYTE 4;").DataLength, 10);
    EXPECT_EQ(Classify("   X := P#M10.0;").DataLength, 10);  // the blanks around ":=" count
    // No blank anywhere: the window still reaches "P#" three characters after ":=".
    LiteralClass r = Classify("X:=xxxP#M10.0;");
    EXPECT_EQ(r.Rule, 5);
    EXPECT_EQ(r.DataLength, 6);
}

TEST(ValueLiteral, TextLengthFromTheLiteralWithoutDeclaration) {
    struct Case { std::string value; int32_t variableLen, dataLength; };
    const Case cases[] = {
        {"'A';", 1, 1}, {"'AB';", 2, 4}, {"'ABCD';", 4, 6}, {"'';", 0, 1}, {"'a;b';", 3, 5},
        {"'ABCDEFGHIJKLMNOP';", 16, 18},  // 19 characters: the last that fits the window
        {"'ABCDEFGHIJKLMNOPQ';", -1, 1},  // "';" beyond the window
        {"'ABC'", -1, 1},                 // no closing "';" at all
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        LiteralClass r = Classify(Line(c.value));
        EXPECT_EQ(r.Rule, 2);
        EXPECT_EQ(r.VariableLen, c.variableLen);
        EXPECT_EQ(r.DataLength, c.dataLength);
    }
}

TEST(ValueLiteral, TextLengthFromTheBlocksStringDeclaration) {
    DeclarationTable strings{{12, "TXT", 50, 0},  // entry 0 is never read
                             {11, "TXT", 30, 0},  {12, "TXT", 10, 0}, {12, "TXT", 20, 0},
                             {12, "ONE", 1, 0},   {12, "NONE", 0, 0}, {12, "S.INNER", 7, 0}};
    struct Case { std::string line; int32_t db; int32_t variableLen, dataLength; };
    const Case cases[] = {
        {Line("'AB';", "Txt"), 12, 10, 12},       // first entry of the block wins
        {Line("'AB';", "tXt"), 12, 10, 12},       // the path upper-cased
        {Line("'AB';", "Txt"), 11, 30, 32},
        {Line("'AB';", "Txt"), 13, 2, 4},         // another block: the literal
        {Line("'ABCD';", "One"), 12, 1, 1}, {Line("'ABCD';", "None"), 12, 0, 1},
        {Line("'ABCD';", "S.Inner"), 12, 7, 9},   // the whole path is compared
        {Line("'ABCD';", "Q.Txt"), 12, 4, 6},     // a STRUCT member takes the literal length
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        LiteralClass r = Classify(c.line, c.db, strings);
        EXPECT_EQ(r.VariableLen, c.variableLen);
        EXPECT_EQ(r.DataLength, c.dataLength);
    }
    DeclarationTable huge{{}, {12, "TXT", 2147483647, 0}};
    EXPECT_EQ(ErrorNumberOf([&] { Classify(Line("'AB';", "Txt"), 12, huge); }), Overflow);
}

UDTCollectionPtr Definitions(std::initializer_list<std::pair<int16_t, std::vector<std::pair<std::string, int16_t>>>> defs) {
    auto udts = std::make_shared<UDTCollection>();
    for (const auto& [number, fields] : defs) {
        auto record = std::make_shared<UDTInfoRecord>();
        record->Number = number;
        record->Fields = std::make_shared<Collection<std::shared_ptr<UDTField>>>();
        for (const auto& [name, length] : fields) record->Fields->Add(std::make_shared<UDTField>(UDTField{name, length}));
        udts->Add(record);
    }
    return udts;
}

TEST(ValueLiteral, TextLengthOfAStringMemberOfAUdtInstance) {
    DeclarationTable udts{{}, {12, "REC", 0, 3}, {12, "OTHER", 0, 4}, {12, "MISSING", 0, 9}};
    auto defs = Definitions({{4, {{"NAME", 5}}}, {3, {{"TAG", 4}, {"NAME", 16}}}, {3, {{"LATE", 30}}}});
    struct Case { std::string line; int32_t db; int32_t variableLen, dataLength; };
    const Case cases[] = {
        {Line("'AB';", "Rec.Name"), 12, 16, 18},
        {Line("'AB';", "rec.name"), 12, 16, 18},      // both matches ignore letter case
        {Line("'AB';", "Rec.Tag"), 12, 4, 6}, {Line("'AB';", "Other.Name"), 12, 5, 7},
        {Line("'AB';", "Rec.Late"), 12, 1, 1},        // only the first definition of a number counts
        {Line("'AB';", "Rec.Sub.Name"), 12, 1, 1},    // the member text keeps its dots
        {Line("'AB';", "Missing.Name"), 12, 1, 1},    // no definition with the number
        {Line("'ABCD';", "Rec.Name"), 13, 4, 6},      // another block: the literal
        {Line("'ABCD';", "Plain.Name"), 12, 4, 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        LiteralClass r = Classify(c.line, c.db, kNone, udts, defs.get());
        EXPECT_EQ(r.VariableLen, c.variableLen);
        EXPECT_EQ(r.DataLength, c.dataLength);
    }
    // A DeclaredStrings entry under the whole path comes before the instance.
    DeclarationTable strings{{}, {12, "REC.NAME", 8, 0}};
    EXPECT_EQ(Classify(Line("'AB';", "Rec.Name"), 12, strings, udts, defs.get()).VariableLen, 8);
}

TEST(ValueLiteral, Failures) {
    EXPECT_EQ(ErrorNumberOf([] { Classify("   X := "); }), InvalidArgument);  // no value text
    EXPECT_EQ(ErrorNumberOf([] { Classify("   X :=         "); }), InvalidArgument);
    DeclarationTable udts{{}, {12, "REC", 0, 3}};
    auto defs = Definitions({{3, {{"NAME", 16}}}});
    EXPECT_EQ(ErrorNumberOf([&] { Classify(Line("'AB';", "Rec.Name"), 12, kNone, udts, nullptr); }), ObjectNotSet);
    // Without a UDT instance the definitions are never needed.
    EXPECT_EQ(Classify(Line("'AB';", "Plain.Name"), 12, kNone, udts, nullptr).DataLength, 4);
    EXPECT_EQ(ErrorNumberOf([&] { Classify("   Rec.Name:='AB';", 12, kNone, udts, defs.get()); }), InvalidArgument);
    DeclarationTable never;
    EXPECT_EQ(ErrorNumberOf([&] { Classify(Line("'AB';"), 12, never); }), SubscriptOutOfRange);
    EXPECT_EQ(Classify(Line("5;"), 12, never, never).Rule, 4);  // only text reads the tables
}

TEST(ValueLiteral, S5TimeTotalsAndTimerBases) {
    struct Case { std::string value; int32_t total; std::string device; };
    const Case cases[] = {
        {"S5T#0MS;", 0, "Timer 1/100 sec."}, {"S5T#999MS;", 999, "Timer 1/100 sec."},
        {"S5T#1S;", 1000, "Timer 1/10 sec."}, {"S5T#9S990MS;", 9990, "Timer 1/10 sec."},
        {"S5T#99S900MS;", 99900, "Timer 1/10 sec."}, {"S5T#99S901MS;", 99901, "Timer 1 sec."},
        {"S5T#1M40S;", 100000, "Timer 1 sec."}, {"S5T#16M39S;", 999000, "Timer 1 sec."},
        {"S5T#16M39S1MS;", 999001, "Timer 10 sec."}, {"S5T#16M40S;", 1000000, "Timer 10 sec."},
        {"S5T#1H;", 1440000, "Timer 10 sec."},           // an hour counts 1,440,000
        {"S5T#2H46M30S;", 5670000, "Timer 10 sec."},
        {"S5T#1S_500MS;", 1500, "Timer 1/10 sec."},      // an underscore between units is skipped
        {"S5T#1_S;", 1440000, "Timer 10 sec."},          // ... but ends digits as hours
        {"S5T#5s;", 7200000, "Timer 10 sec."},           // unit letters keep their case
        {"S5T#5;", 0, "Timer 1/100 sec."},               // digits without a unit count nothing
        {"S5T#1S 5MS;", 1005, "Timer 1/10 sec."}, {"S5T#1491H;", 2147040000, "Timer 10 sec."},
        {"S5;", 0, "Timer 1/100 sec."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(S5TimeTotal(c.value), c.total);
        LiteralClass r = Classify(Line(c.value));
        EXPECT_EQ(r.Rule, 16);
        EXPECT_EQ(r.DeviceType, c.device);
        EXPECT_EQ(r.DataLength, 2);
    }
    EXPECT_EQ(ErrorNumberOf([] { Classify(Line("S5T#1492H;")); }), Overflow);
    EXPECT_EQ(ErrorNumberOf([] { S5TimeTotal("S5T#99999999999999H;"); }), Overflow);
    EXPECT_EQ(TimerBaseFor(-1), "Timer 1/100 sec.");
    EXPECT_EQ(TimerBaseFor(2147483647), "Timer 10 sec.");
}

// Random lines built from the format's tokens never fail with anything but the
// design's run-time errors, and the result is consistent with its rule.
TEST(ValueLiteral, RandomLinesGiveConsistentResults) {
    const std::vector<std::string> tokens = {"   ", " := ", ":=", "'", "';", ";", "TRUE;", "FALSE;", "E+", "e-",
                                             "P#", "DB", "B#", "W#", "DW", "T#", "T ", "Z ", "D#", "TOD#", "DT#",
                                             "L#", "S5T#", "MS", "M", "S", "H", "9", "1", "0", "-", ".", "Rec",
                                             "Txt", "[3]", "_", "999999999"};
    DeclarationTable strings{{}, {1, "TXT", 40, 0}};
    DeclarationTable udts{{}, {1, "REC", 0, 1}};
    auto defs = Definitions({{1, {{"TXT", 12}}}});
    std::mt19937 random(5);
    for (int i = 0; i < 20000; ++i) {
        std::string line;
        int n = static_cast<int>(random() % 9);
        for (int k = 0; k < n; ++k) line += tokens[random() % tokens.size()];
        try {
            LiteralClass r = ClassifyValueLiteral(line, 1, strings, udts, defs.get());
            ASSERT_GE(r.Rule, 1);
            ASSERT_LE(r.Rule, 17);
            if (r.Rule == 1) {
                ASSERT_EQ(r.DataLength, 0);
            }
            if (r.Rule == 2) {
                ASSERT_EQ(r.DataLength, r.VariableLen > 1 ? r.VariableLen + 2 : 1) << line;
            } else {
                ASSERT_EQ(r.VariableLen, 0);
            }
            if (r.Rule == 17) {
                ASSERT_TRUE(r.SourceType.empty() && r.DeviceType.empty() && r.DataLength == 0);
            }
        } catch (const RuntimeError& e) {
            ASSERT_TRUE(e.Number == InvalidArgument || e.Number == Overflow) << line << " " << e.Number;
        }
    }
}

}  // namespace
}  // namespace tessaro
