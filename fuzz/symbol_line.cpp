// The symbol-table line record on one line, then the symbol-table importer on the whole
// input as a file. The record fails only with the overflow of a byte number; it takes
// its name and byte number from the fixed columns; the importer lets nothing escape and
// adds only variables with a data area, each under its own key.
#include "FuzzSupport.h"
#include "asc/InfoASCImportedVariable.h"
#include "asc/VariableASCInfoRecord.h"
#include "driver/InfoImportedVariable.h"
#include "platform/Text.h"

#include <tessaro/CodePage.h>
#include <tessaro/RuntimeError.h>

#include <optional>
#include <set>
#include <string>

namespace {

using namespace tessaro;

// The byte number the address column holds, read on its own; empty when it does not fit
// 32 bits (the number itself may already be too large for a double).
std::optional<int32_t> ByteNumberIn(std::string_view address) {
    try {
        return TruncateToInt32(NumberIn(address));
    } catch (const RuntimeError& e) {
        fuzz::Check(e.Number == Overflow, "reading the address failed with another error than overflow");
        return std::nullopt;
    }
}

void CheckRecord(std::string_view line) {
    SymbolLineColumns columns = SplitSymbolLine(line);
    for (std::string_view field : {columns.Symbol, columns.OperandArea, columns.Address, columns.DataType}) {
        fuzz::Check(field.empty() || (field.front() != ' ' && field.back() != ' '), "a column keeps a blank");
        fuzz::Check(field.empty() || (field.data() >= line.data() && field.data() + field.size() <= line.data() + line.size()),
                    "a column lies outside its line");
    }
    fuzz::Check(columns.Symbol.size() <= 24 && columns.OperandArea.size() <= 3 && columns.Address.size() <= 7 &&
                    columns.DataType.size() <= 8,
                "a column wider than its field");

    VariableASCInfoRecord record;
    record.SourceLine = std::string(line);
    try {
        record.GetVariableInfoRecord();
    } catch (const RuntimeError& e) {
        // A byte number outside 32 bits is the only failure a line can cause.
        fuzz::Check(e.Number == Overflow, "the record failed with another error than overflow");
        fuzz::Check(!ByteNumberIn(columns.Address), "overflow for a byte number in range");
        return;
    }
    const Variable& v = *record.VariableInfoRecord;
    fuzz::Check(v.Name == columns.Symbol, "the name is not the symbol column");
    if (columns.Symbol.empty()) {
        fuzz::Check(v.DataAreaId == 0 && v.DataTypeId == 0 && v.FieldAdd1 == 0 && v.TagAttribute.empty(),
                    "a blank symbol filled the variable");
        return;
    }
    fuzz::Check(v.DataAreaId == 0 || !DataAreaNameOf(columns.OperandArea).empty(),
                "a data area for an operand letter that selects none");
    fuzz::Check(ByteNumberIn(columns.Address) == v.FieldAdd1, "the byte number is not the address");
    fuzz::Check(v.FieldAdd2 == 0 && v.FieldAdd3 == 0 && v.FieldAdd4 == 0 && v.FieldAdd5 == 0,
                "an address field other than the byte number is set");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    fuzz::OpenImport();

    // Every line of the input alone (lines cut at CR, as the reader does).
    size_t lines = 0;
    for (size_t from = 0; from <= input.size();) {
        ++lines;
        size_t cr = input.find('\r', from);
        CheckRecord(input.substr(from, cr == std::string_view::npos ? std::string_view::npos : cr - from));
        if (cr == std::string_view::npos) break;
        from = cr + 1 + (cr + 1 < input.size() && input[cr + 1] == '\n');
    }

    // The whole input as one symbol table.
    InfoASCImportedVariable importer;
    importer.DataSource->SourceId = fuzz::WriteInput("Symbols.ASC", input);
    importer.DeviceId = 7;
    VariableCollection variables;
    importer.GetImportedVariables(variables);  // nothing may escape
    fuzz::Check(variables.Count() <= lines, "more variables than lines");
    std::set<std::string> keys;
    for (const VariablePtr& v : variables) {
        fuzz::Check(v && v->DataAreaId != 0, "a variable without data area was added");
        fuzz::Check(v->DeviceId == 7, "a variable without the importer's device");
        fuzz::Check(v->SectionName == "Symbols.ASC (Symbol file)", "a variable without its section");
        fuzz::Check(keys.insert(VariableKey(v->Name, 7)).second, "two variables under one key");
        fuzz::Check(variables.Item(VariableKey(v->Name, 7)) == v, "a variable not found under its own key");
    }
    return 0;
}
