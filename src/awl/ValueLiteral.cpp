#include "awl/ValueLiteral.h"

#include "awl/UDTInfoRecord.h"
#include "platform/Text.h"

#include <tessaro/CodePage.h>
#include <tessaro/RuntimeError.h>

#include <array>
#include <limits>

namespace tessaro {

namespace {

enum class Test {
    ContainsAny,      // one of the patterns anywhere in the text
    FirstCharIn,      // the first character is one of the pattern's characters
    FirstCharCodeIn,  // as FirstCharIn, but an empty text is an invalid argument
    StartsWithAny,    // the first two characters are one of the patterns
    Always,
};

enum class Special { None, Text, Pointer, TimerBase };

struct Rule {
    Test test;
    bool upperCase;  // the test looks at the value text in upper case
    std::array<std::string_view, 4> patterns;
    std::string_view sourceType;
    std::string_view deviceType;
    Special special;
    int32_t dataLength;  // -1: not written
    std::string_view tagAttribute;
    bool sign;
};

// The rules in the order they are tried; the first whose test holds decides.
constexpr std::array<Rule, 17> kRules{{
    {Test::ContainsAny, false, {"FALSE;", "TRUE;"}, "BOOL", "Byte", Special::None, 0, "BOOL", false},
    {Test::FirstCharIn, true, {"'"}, "", "String", Special::Text, -1, "", false},
    {Test::ContainsAny, true, {"E+", "E-"}, "REAL", "Floating point", Special::None, 4, "", true},
    {Test::FirstCharCodeIn, true, {"0123456789-"}, "INT", "Word", Special::None, 2, "", true},
    {Test::StartsWithAny, false, {"P#"}, "POINTER", "", Special::Pointer, -1, "POINTER", false},
    {Test::StartsWithAny, false, {"DB", "FC", "FB", "SD"}, "BLOCK", "", Special::None, 2, "BLOCK", false},
    {Test::StartsWithAny, false, {"B#"}, "", "Byte", Special::None, 1, "", false},
    {Test::StartsWithAny, false, {"W#"}, "", "Word", Special::None, 2, "", false},
    {Test::StartsWithAny, false, {"DW"}, "", "Dword", Special::None, 4, "", false},
    {Test::StartsWithAny, false, {"T#"}, "TIME", "Dword", Special::None, 4, "TIME", false},
    {Test::StartsWithAny, false, {"T ", "Z "}, "TIMER/COUNT", "", Special::None, 2, "TIMER/COUNT", false},
    {Test::StartsWithAny, false, {"D#"}, "DATE", "Word", Special::None, 2, "DATE", false},
    {Test::StartsWithAny, false, {"TO"}, "TIME DAY", "Dword", Special::None, 4, "TIME DAY", false},
    {Test::StartsWithAny, false, {"DT"}, "DATE TIME", "Dword", Special::None, 8, "DATE TIME", false},
    {Test::StartsWithAny, false, {"L#"}, "LINT", "Dword", Special::None, 4, "", true},
    {Test::StartsWithAny, false, {"S5"}, "TIMER", "", Special::TimerBase, 2, "", false},
    {Test::Always, false, {}, "", "", Special::None, -1, "", false},
}};

struct TimerBase {
    int32_t upTo;  // the largest total in milliseconds this base takes
    std::string_view deviceType;
};

constexpr std::array<TimerBase, 4> kTimerBases{{
    {999, "Timer 1/100 sec."},
    {99900, "Timer 1/10 sec."},
    {999000, "Timer 1 sec."},
    {std::numeric_limits<int32_t>::max(), "Timer 10 sec."},
}};

bool Holds(const Rule& rule, std::string_view text) {
    switch (rule.test) {
    case Test::ContainsAny:
        for (auto pattern : rule.patterns)
            if (!pattern.empty() && Contains(text, pattern)) return true;
        return false;
    case Test::FirstCharCodeIn:
        if (text.empty()) throw RuntimeError(InvalidArgument, "a value line without a value");
        [[fallthrough]];
    case Test::FirstCharIn:
        return !text.empty() && Contains(rule.patterns[0], Columns(text, 1, 1));
    case Test::StartsWithAny:
        for (auto pattern : rule.patterns)
            if (!pattern.empty() && text.substr(0, 2) == pattern) return true;
        return false;
    case Test::Always:
        return true;
    }
    return false;
}

// The declared length of the STRING member of a UDT instance, or nothing when the
// definitions hold no such type or field.
const UDTField* FindUDTField(const UDTCollection* UDTs, int16_t udtNumber, std::string_view member) {
    if (!UDTs) throw RuntimeError(ObjectNotSet, "no UDT definitions for a member of a UDT instance");
    for (const auto& udt : *UDTs) {
        if (!udt) throw RuntimeError(ObjectNotSet);
        if (udt->Number != udtNumber) continue;
        if (!udt->Fields) throw RuntimeError(ObjectNotSet);
        std::string wanted = UpperCase(member);
        for (const auto& field : *udt->Fields) {
            if (!field) throw RuntimeError(ObjectNotSet);
            if (field->Name == wanted) return field.get();
        }
        return nullptr;
    }
    return nullptr;
}

// The text rule: the element's length from its declaration, from the STRING field of
// its UDT, or from the literal itself.
void ClassifyText(std::string_view line, std::string_view valueText, int32_t dbNumber, const DeclarationTable& strings,
                  const DeclarationTable& udts, const UDTCollection* UDTs, LiteralClass& result) {
    size_t assign = Position(line, ":=");
    if (assign == 0) throw RuntimeError(InvalidArgument, "a value line without \":=\"");
    std::string path = UpperCase(TrimBlanks(Columns(line, 1, assign - 1)));
    int32_t length = 0;
    if (const DeclarationEntry* declared = strings.Find(dbNumber, path)) {
        length = declared->Length;
    } else {
        size_t dot = Position(line, ".");
        const DeclarationEntry* instance = nullptr;
        if (dot >= 2) instance = udts.Find(dbNumber, UpperCase(TrimBlanks(Columns(line, 1, dot - 1))));
        if (instance) {
            result.VariableLen = 1;
            result.DataLength = 1;
            std::string_view after = ColumnsFrom(line, dot + 1);
            size_t cut = Position(after, " := ");
            if (cut == 0) throw RuntimeError(InvalidArgument, "a member of a UDT instance without \" := \"");
            const UDTField* field = FindUDTField(UDTs, instance->UDTNumber, TrimBlanks(Columns(after, 1, cut - 1)));
            if (!field) return;
            length = field->Length;
        } else {
            // The characters between the quotes, -1 when the closing "';" lies
            // beyond the value window.
            length = static_cast<int32_t>(Position(ColumnsFrom(valueText, 2), "';")) - 1;
        }
    }
    result.VariableLen = length;
    result.DataLength = length > 1 ? AddInt32(length, 2) : 1;
}

}  // namespace

std::string_view ValueText(std::string_view SourceLine) {
    size_t p = Position(TrimBlanks(SourceLine), ":=");
    return TrimBlanks(Columns(SourceLine, p + 5, 20));
}

int32_t S5TimeTotal(std::string_view valueText) {
    std::string_view rest = ColumnsFrom(valueText, 5);
    int32_t total = 0;
    std::string digits;
    auto add = [&](double factor) {
        total = RoundToInt32(NumberIn(digits) * factor + static_cast<double>(total));
        digits.clear();
    };
    while (!rest.empty() && TrimBlanks(Columns(rest, 1, 1)) != ";") {
        char c = rest[0];
        if (c >= '0' && c <= '9') {
            digits.push_back(c);
            rest.remove_prefix(1);
        } else if (rest.substr(0, 2) == "MS") {
            add(1);
            rest.remove_prefix(2);
        } else {
            add(c == 'M' ? 60000 : c == 'S' ? 1000 : 1440000);
            rest.remove_prefix(Columns(rest, 1, 1).size());
        }
    }
    return total;
}

std::string_view TimerBaseFor(int32_t totalMs) {
    for (const auto& base : kTimerBases)
        if (totalMs <= base.upTo) return base.deviceType;
    return kTimerBases.back().deviceType;
}

LiteralClass ClassifyValueLiteral(std::string_view SourceLine, int32_t DBNumber, const DeclarationTable& strings,
                                  const DeclarationTable& udts, const UDTCollection* UDTs) {
    std::string_view value = ValueText(SourceLine);
    std::string upper = UpperCase(value);
    LiteralClass result;
    for (size_t i = 0; i < kRules.size(); ++i) {
        const Rule& rule = kRules[i];
        if (!Holds(rule, rule.upperCase ? std::string_view(upper) : value)) continue;
        result.Rule = static_cast<int>(i + 1);
        result.SourceType = rule.sourceType;
        result.DeviceType = rule.deviceType;
        result.TagAttribute = rule.tagAttribute;
        result.Sign = rule.sign;
        if (rule.dataLength >= 0) result.DataLength = rule.dataLength;
        switch (rule.special) {
        case Special::Text:
            ClassifyText(SourceLine, value, DBNumber, strings, udts, UDTs, result);
            break;
        case Special::Pointer:
            // ANY (10 bytes) when the line holds a blank, which every line of the
            // format does around its ":="; POINTER (6 bytes) otherwise.
            result.DataLength = Contains(TrimBlanks(SourceLine), " ") ? 10 : 6;
            break;
        case Special::TimerBase:
            result.DeviceType = TimerBaseFor(S5TimeTotal(value));
            break;
        case Special::None:
            break;
        }
        break;
    }
    return result;
}

}  // namespace tessaro
