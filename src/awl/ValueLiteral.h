#pragma once
// The type of a data-block element, inferred from how its initial value is written.
// A pure function of the value line, the block number, the declaration tables and the
// UDT definitions, so that it can be tested and fuzzed on its own; the element record
// wires its result to the device database and the message log.

#include "awl/DeclarationTables.h"
#include "driver/InfoImportedVariable.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tessaro {

// The rule of text literals in quotes, the only one that gives a VariableLen.
inline constexpr int kTextLiteralRule = 2;

// The texts are views of the rules' constant texts.
struct LiteralClass {
    int Rule = 17;                  // the rule that decided, 1 to 17 (17: none recognised)
    std::string_view SourceType;    // the S7 type word for the conversion report, or empty
    std::string_view DeviceType;    // the device type name to look up in the "DBW" area, or empty
    int32_t DataLength = 0;         // bytes the element occupies; 0 for a bit and when no rule names a length
    std::string_view TagAttribute;  // the label of the rule, or empty
    bool Sign = false;
    int32_t VariableLen = 0;   // text literals (kTextLiteralRule) only
};

// Classifies the value of SourceLine (three blanks, path, " := ", literal, ";").
// Fails with InvalidArgument when the value text is empty, with Overflow when an S5TIME
// total leaves the 32-bit range, with SubscriptOutOfRange when a text literal meets a
// declaration table that was never reset, and with ObjectNotSet when a STRING member of
// a UDT instance needs the UDT definitions and UDTs is null.
LiteralClass ClassifyValueLiteral(std::string_view SourceLine, int32_t DBNumber, const DeclarationTable& strings,
                                  const DeclarationTable& udts, const UDTCollection* UDTs);

// At most 20 characters of SourceLine from 5 characters after the ":=" of the trimmed
// line, blanks removed at both ends: "120;" for "   Speed := 120;".
std::string_view ValueText(std::string_view SourceLine);

// The total in milliseconds of an S5TIME value text ("S5T#1M30S;"); hours count
// 1,440,000 each. Overflow when a total leaves the 32-bit range.
int32_t S5TimeTotal(std::string_view valueText);

// The device timer type whose base fits a total in milliseconds.
std::string_view TimerBaseFor(int32_t totalMs);

}  // namespace tessaro
