#include "awl/VariableAWLInfoRecord.h"

#include "awl/DeclarationTables.h"
#include "awl/ValueLiteral.h"
#include "devicedb/DeviceDBService.h"
#include "driver/ImportContext.h"
#include "platform/Text.h"

#include <tessaro/CodePage.h>
#include <tessaro/RuntimeError.h>

#include <charconv>

namespace tessaro {

std::string_view ValuePath(std::string_view valueLine, size_t assign) {
    return TrimBlanks(Columns(valueLine, 1, assign - 1));
}

std::string ElementAddress(int32_t number, int32_t byte, int32_t bit, std::string_view type, int32_t length) {
    std::string address;
    auto put = [&](int32_t value) {
        char digits[12];
        address.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
    };
    const bool isBit = length == 0 && type == "BOOL";
    address.append("DB");
    put(number);
    address.append(isBit ? ".DBX" : length == 2 ? ".DBW" : length == 4 ? ".DBD" : ".DBB");
    put(byte);
    if (isBit) {
        address += '.';
        put(bit);
    } else if (length != 1 && length != 2 && length != 4) {
        address += '[';
        put(length);
        address += ']';
    }
    return address;
}

void VariableAWLInfoRecord::GetVariableInfoRecord() {
    Variable& variable = *VariableInfoRecord;
    size_t assign = Position(SourceLine, ":=");
    if (assign == 0) throw RuntimeError(InvalidArgument, "a value line without \":=\"");
    const std::string_view path = ValuePath(SourceLine, assign);
    // Name is the path while the steps run and the block name, "." and the path after
    // them: room for the whole is made at once.
    variable.Name.reserve(DBName.size() + 1 + path.size());
    variable.Name = path;
    if (Entry) Entry->Name = CurrentImport().Keep({DBName, ".", path});

    AssignDataArea();
    AssignDataType();
    AssignFieldAdd1();
    AssignFieldAdd2();
    AssignFieldAdd3();
    AssignFieldAdd4();
    AssignFieldAdd5();

    int32_t level = 1;
    std::string_view section = DBName;
    std::string_view rest = path;
    while (!rest.empty() && Contains(rest, ".")) {
        ++level;
        size_t dot = rest.find('.');
        section = rest.substr(0, dot);
        rest = rest.substr(dot + 1);
    }
    const size_t bracket = Position(section, "[");
    variable.SectionName = bracket == 0 ? section : Columns(section, 1, bracket - 1);
    variable.Name.insert(0, 1, '.');
    variable.Name.insert(0, DBName);
    variable.NestingLevel = level;
}

void VariableAWLInfoRecord::AssignDataArea() {
    DeviceDBService& db = CurrentImport().DeviceDatabase();
    db.DataAreaId = 0;
    db.FindDataAreaId("DBW");
    VariableInfoRecord->DataAreaId = db.DataAreaId;
    if (Entry && db.DataAreaId == 0) {
        Entry->Fate = LineFate::AreaNotInDevice;
        Entry->Reason = "data area DBW not in the device";
    }
}

void VariableAWLInfoRecord::AssignDataType() {
    Variable& variable = *VariableInfoRecord;
    const ImportContext& import = CurrentImport();
    DeviceDBService& db = import.DeviceDatabase();
    variable.TagAttribute.clear();
    variable.Sign = false;
    variable.Warning = false;
    db.DataTypeId = 0;
    if (variable.DataAreaId == 0) return;

    LiteralClass literal = ClassifyValueLiteral(SourceLine, DBNumber, import.DeclaredStrings, import.DeclaredUDTs, UDTs.get());
    DataLength = literal.DataLength;
    variable.TagAttribute = literal.TagAttribute;
    variable.Sign = literal.Sign;
    if (literal.Rule == kTextLiteralRule) variable.VariableLen = literal.VariableLen;
    // The literal's texts are the rules' constants: the account keeps the views.
    if (Entry) Entry->DataType = literal.SourceType.empty() ? literal.TagAttribute : literal.SourceType;

    const std::string_view oldType = literal.SourceType;
    const std::string_view newType = literal.DeviceType;
    if (!oldType.empty() && !newType.empty() && UpperCase(TrimBlanks(oldType)) != UpperCase(TrimBlanks(newType))) {
        Messenger& log = import.MessageLog();
        log.DB = "DB " + std::to_string(DBNumber);
        log.RecordKORVOTypeConversion(variable.Name, oldType, newType);
        if (Entry) import.Account->Report(*Entry, {1, oldType, newType});
    }
    if ((oldType != "BOOL" && DataLength == 0) || (newType.empty() && !oldType.empty())) {
        Messenger& log = import.MessageLog();
        log.DB = "DB " + std::to_string(DBNumber);
        log.RecordVariableNoForKORVO(variable.Name);
        if (Entry) {
            import.Account->Report(*Entry, {4, {}, {}});
            Entry->Reason = "value of no type the device has";
        }
    }
    db.FindDataTypeId(newType);
    variable.DataTypeId = db.DataTypeId;
}

void VariableAWLInfoRecord::AssignFieldAdd1() { VariableInfoRecord->FieldAdd1 = DBNumber; }

void VariableAWLInfoRecord::AssignFieldAdd2() {
    const DataBlockLayout start;
    const DataBlockLayout& layout = Layout ? *Layout : start;
    const std::string& type = VariableInfoRecord->TagAttribute;
    VariableInfoRecord->FieldAdd2 = layout.NextByte(type, DataLength);
    if (Entry && VariableInfoRecord->DataAreaId != 0)  // without the area, no type and no place
        Entry->AbsoluteAddress = CurrentImport().Keep(
            ElementAddress(DBNumber, VariableInfoRecord->FieldAdd2, layout.NextBit(type, DataLength), type, DataLength));
}

void VariableAWLInfoRecord::AssignFieldAdd3() { VariableInfoRecord->FieldAdd3 = 0; }
void VariableAWLInfoRecord::AssignFieldAdd4() { VariableInfoRecord->FieldAdd4 = 0; }
void VariableAWLInfoRecord::AssignFieldAdd5() { VariableInfoRecord->FieldAdd5 = 0; }

}  // namespace tessaro
