// The classification of a value literal, a pure function: the rule it picks agrees with
// a plain reference written as one if-chain; the result is the same when asked twice;
// lengths are never negative; only the documented errors come out.
//
// Input: the value line, then optionally a CR and one control byte that fills the
// declaration tables and the UDT definitions from the line's own path, so that the
// declared-length branches of text literals are reached.
#include "FuzzSupport.h"
#include "awl/UDTInfoRecord.h"
#include "awl/ValueLiteral.h"
#include "platform/Text.h"

#include <tessaro/CodePage.h>
#include <tessaro/RuntimeError.h>

#include <string>

namespace {

using namespace tessaro;

// The rule that decides, as a straightforward chain; 0 when the value is empty and the
// chain reaches the test that refuses it.
int ReferenceRule(std::string_view v) {
    std::string u = UpperCase(v);
    auto starts = [&](std::string_view p) { return v.size() >= 2 && v.substr(0, 2) == p; };
    if (Contains(v, "FALSE;") || Contains(v, "TRUE;")) return 1;
    if (!u.empty() && u[0] == '\'') return 2;
    if (Contains(u, "E+") || Contains(u, "E-")) return 3;
    if (u.empty()) return 0;
    if ((u[0] >= '0' && u[0] <= '9') || u[0] == '-') return 4;
    if (starts("P#")) return 5;
    if (starts("DB") || starts("FC") || starts("FB") || starts("SD")) return 6;
    if (starts("B#")) return 7;
    if (starts("W#")) return 8;
    if (starts("DW")) return 9;
    if (starts("T#")) return 10;
    if (starts("T ") || starts("Z ")) return 11;
    if (starts("D#")) return 12;
    if (starts("TO")) return 13;
    if (starts("DT")) return 14;
    if (starts("L#")) return 15;
    if (starts("S5")) return 16;
    return 17;
}

bool Same(const LiteralClass& a, const LiteralClass& b) {
    return a.Rule == b.Rule && a.SourceType == b.SourceType && a.DeviceType == b.DeviceType &&
           a.DataLength == b.DataLength && a.TagAttribute == b.TagAttribute && a.Sign == b.Sign &&
           a.VariableLen == b.VariableLen;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    auto [line, rest] = fuzz::SplitAt(input, "\r");
    uint8_t control = rest.empty() ? 0 : static_cast<uint8_t>(rest[0]);

    DeclarationTable strings, udts;
    strings.Reset();
    udts.Reset();
    UDTCollection definitions;
    size_t assign = Position(line, ":=");
    if (assign > 1) {
        std::string path = UpperCase(TrimBlanks(line.substr(0, assign - 1)));
        size_t dot = path.find('.');
        if (control & 1) strings.Append({int32_t(control >> 4), path, int32_t(control) - 100, 0});
        if ((control & 2) && dot != std::string::npos) {
            udts.Append({int32_t(control >> 4), std::string(TrimBlanks(path.substr(0, dot))), 0, int16_t(control & 12)});
            auto udt = std::make_shared<UDTInfoRecord>();
            udt->Number = int16_t(control & 12);
            udt->Fields = std::make_shared<Collection<std::shared_ptr<UDTField>>>();
            udt->Fields->Add(std::make_shared<UDTField>(UDTField{std::string(TrimBlanks(path.substr(dot + 1))), int16_t(control)}));
            definitions.Add(udt);
        }
    }
    const UDTCollection* udtsGiven = (control & 128) ? nullptr : &definitions;
    int32_t dbNumber = int32_t(control >> 4);

    std::string_view value = ValueText(line);
    int expected = ReferenceRule(value);
    LiteralClass result;
    try {
        result = ClassifyValueLiteral(line, dbNumber, strings, udts, udtsGiven);
    } catch (const RuntimeError& e) {
        fuzz::Check(e.Number == InvalidArgument || e.Number == Overflow || e.Number == ObjectNotSet,
                    "the classification failed with an undocumented error");
        fuzz::Check(e.Number != InvalidArgument || expected == 0 || expected == 2, "an argument error for a usable value");
        fuzz::Check(e.Number != Overflow || expected == 16 || expected == 2, "an overflow outside S5TIME and texts");
        fuzz::Check(e.Number != ObjectNotSet || (expected == 2 && udtsGiven == nullptr),
                    "no UDT definitions reported where none were needed");
        return 0;
    }
    fuzz::Check(expected != 0, "an empty value was classified");
    fuzz::Check(result.Rule == expected, "the rule differs from the reference");
    fuzz::Check(result.DataLength >= 0, "a negative length");
    if (result.Rule == 1) fuzz::Check(result.DataLength == 0 && result.TagAttribute == "BOOL", "a BOOL with bytes");
    if (result.Rule == 16)
        fuzz::Check(result.DeviceType == TimerBaseFor(S5TimeTotal(value)), "a timer base other than its total's");
    if (result.Rule != 1) fuzz::Check(result.DataLength > 0 || result.Rule == 17, "an element of no bytes");
    LiteralClass again = ClassifyValueLiteral(line, dbNumber, strings, udts, udtsGiven);
    fuzz::Check(Same(result, again), "the classification differs when asked twice");
    return 0;
}
