#include "awl/VariableAWLInfoRecord.h"

#include "awl/DeclarationTables.h"
#include "awl/ValueLiteral.h"
#include "devicedb/DeviceDBService.h"
#include "driver/ImportContext.h"
#include "platform/Text.h"

#include <tessaro/CodePage.h>
#include <tessaro/RuntimeError.h>

namespace tessaro {

void VariableAWLInfoRecord::GetVariableInfoRecord() {
    Variable& variable = *VariableInfoRecord;
    size_t assign = Position(SourceLine, ":=");
    if (assign == 0) throw RuntimeError(InvalidArgument, "a value line without \":=\"");
    const std::string_view path = TrimBlanks(Columns(SourceLine, 1, assign - 1));
    // Name is the path while the steps run and the block name, "." and the path after
    // them: room for the whole is made at once.
    variable.Name.reserve(DBName.size() + 1 + path.size());
    variable.Name = path;

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

    const std::string_view oldType = literal.SourceType;
    const std::string_view newType = literal.DeviceType;
    if (!oldType.empty() && !newType.empty() && UpperCase(TrimBlanks(oldType)) != UpperCase(TrimBlanks(newType))) {
        Messenger& log = import.MessageLog();
        log.DB = "DB " + std::to_string(DBNumber);
        log.RecordKORVOTypeConversion(variable.Name, oldType, newType);
    }
    if ((oldType != "BOOL" && DataLength == 0) || (newType.empty() && !oldType.empty())) {
        Messenger& log = import.MessageLog();
        log.DB = "DB " + std::to_string(DBNumber);
        log.RecordVariableNoForKORVO(variable.Name);
    }
    db.FindDataTypeId(newType);
    variable.DataTypeId = db.DataTypeId;
}

void VariableAWLInfoRecord::AssignFieldAdd1() { VariableInfoRecord->FieldAdd1 = DBNumber; }

void VariableAWLInfoRecord::AssignFieldAdd2() {
    const DataBlockLayout start;
    VariableInfoRecord->FieldAdd2 = (Layout ? *Layout : start).NextByte(VariableInfoRecord->TagAttribute, DataLength);
}

void VariableAWLInfoRecord::AssignFieldAdd3() { VariableInfoRecord->FieldAdd3 = 0; }
void VariableAWLInfoRecord::AssignFieldAdd4() { VariableInfoRecord->FieldAdd4 = 0; }
void VariableAWLInfoRecord::AssignFieldAdd5() { VariableInfoRecord->FieldAdd5 = 0; }

}  // namespace tessaro
