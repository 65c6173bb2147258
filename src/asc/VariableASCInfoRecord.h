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

#include <tessaro/ImportAccount.h>
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

// The device data-area name that the first character of the operand area selects
// (exact, case-sensitive), or "" when it selects none.
std::string_view DataAreaNameOf(std::string_view operandArea);

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

    // Parses SourceLine into VariableInfoRecord. A line with a blank symbol leaves the
    // variable (and Entry) untouched. Failures of the device database pass to the caller.
    void GetVariableInfoRecord();
    // The same from fields given by a row of another symbol-table format; SourceLine is
    // not read. The fields must outlive the call.
    void GetVariableInfoRecord(const SymbolLineColumns& fields);

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
