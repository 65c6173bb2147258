#pragma once
// One line of a symbol-table export turned into one Variable: name, device data area and
// type with their identifiers, sign, tag attribute and byte number. Conversions and
// symbols the device cannot take are reported to the shared message log under the
// group "Symbol Files".
//
// The line layout, fixed columns counted from 1 (a field past the end of a short line is
// shorter or empty):
//   1-4 not read | 5-28 symbol | 29-31 operand area | 32 not read | 33-39 address
//   40-47 data type | 48 on comment
// A row of the other symbol-table exports (SymbolRowReader.h) gives the same fields
// directly, the name at its whole length; the steps after that are the same.

#include "platform/Text.h"

#include <tessaro/ImportAccount.h>
#include <tessaro/ImportOptions.h>
#include <tessaro/Variable.h>

#include <string>
#include <string_view>

namespace tessaro {

// The fields of a line, each with surrounding blanks removed.
struct SymbolLineColumns {
    std::string_view Symbol;
    std::string_view OperandArea;
    std::string_view Address;
    std::string_view DataType;
    std::string_view Comment;  // column 48 to the end (a row: its comment field), blanks around it removed
};
SymbolLineColumns SplitSymbolLine(std::string_view line);
// The operand-area field alone, and whether the symbol field holds a symbol.
inline std::string_view OperandAreaOf(std::string_view line) { return TrimBlanks(Columns(line, 29, 3)); }
inline bool HoldsSymbol(std::string_view line) {
    return Columns(line, 5, 24).find_first_not_of(' ') != std::string_view::npos;
}

// The device data-area name that the first character of the operand area selects
// (exact, case-sensitive), or "" when it selects none. German mnemonics: D, M, Z counter,
// T, E input, A output; English ones: D, M, C counter, T, I input, Q output.
std::string_view DataAreaNameOf(std::string_view operandArea,
                                ImportOptions::Mnemonics mnemonics = ImportOptions::Mnemonics::German);

// The mnemonics of a file's operand areas, noted area by area (from whichever format the
// rows come), and the reading they choose: English when an area of the English ones
// only (I, Q, C) was met and none of the German ones only (E, A, Z), else German.
struct MnemonicsMet {
    bool German = false;
    bool English = false;
    static bool GermanOnly(char letter) { return letter == 'E' || letter == 'A' || letter == 'Z'; }
    static bool EnglishOnly(char letter) { return letter == 'I' || letter == 'Q' || letter == 'C'; }
    void Note(std::string_view operandArea) {
        if (operandArea.empty()) return;
        German = German || GermanOnly(operandArea.front());
        English = English || EnglishOnly(operandArea.front());
    }
    // Whether noting the area would add to what was met.
    bool Adds(std::string_view operandArea) const {
        return !operandArea.empty() && ((!German && GermanOnly(operandArea.front())) ||
                                        (!English && EnglishOnly(operandArea.front())));
    }
    ImportOptions::Mnemonics Chosen() const {
        return English && !German ? ImportOptions::Mnemonics::English : ImportOptions::Mnemonics::German;
    }
    bool Mixed() const { return German && English; }
};

// What a type token (already upper-cased) stands for on the device.
struct SymbolType {
    std::string_view Token;
    std::string_view DeviceType;  // "" when the device has no type for it
    bool Sign;
    std::string_view TagAttribute;
};
SymbolType SymbolTypeOf(std::string_view token);

class VariableASCInfoRecord {
public:
    // The variable being filled: created with the record, all fields at their defaults.
    VariablePtr VariableInfoRecord = std::make_shared<Variable>();

    // The line to parse; written by the importer before GetVariableInfoRecord.
    std::string SourceLine;

    // The line's entry in the import's account, when there is one: the record writes what
    // the line holds, its address and its fate as far as the record decides it.
    AccountEntry* Entry = nullptr;
    // The mnemonics the operand area is read with (German or English); the file's choice.
    ImportOptions::Mnemonics Mnemonics = ImportOptions::Mnemonics::German;

    // Parses SourceLine into VariableInfoRecord. A line with a blank symbol leaves the
    // variable (and Entry) untouched. Failures of the device database pass to the caller.
    void GetVariableInfoRecord();
    // The same from fields given by a row of another symbol-table format; SourceLine is
    // not read. The fields must outlive the call.
    void GetVariableInfoRecord(const SymbolLineColumns& fields);

    // The operand area of the line parsed last, a view into SourceLine.
    std::string_view OperandArea() const { return columns_.OperandArea; }

private:
    SymbolLineColumns columns_;  // the fields of the line or row, once per GetVariableInfoRecord

    void AccountColumns();
    void AssignDataArea();
    void AssignDataType();
    void AssignFieldAdd1();
    void AssignFieldAdd2();
    void AssignFieldAdd3();
    void AssignFieldAdd4();
    void AssignFieldAdd5();
};

}  // namespace tessaro
