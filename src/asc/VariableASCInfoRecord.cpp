#include "asc/VariableASCInfoRecord.h"

#include "devicedb/DeviceDBService.h"
#include "driver/ImportContext.h"
#include "platform/Text.h"

#include <tessaro/CodePage.h>
#include <tessaro/RuntimeError.h>

namespace tessaro {
namespace {

// The group under which a symbol's reports are filed.
constexpr std::string_view kSymbolFiles = "Symbol Files";

struct OperandArea {
    char Letter;
    std::string_view AreaName;
};

constexpr OperandArea kOperandAreas[] = {
    {'D', "DBW"},   {'M', "Merker"}, {'Z', "Counter"},
    {'T', "Timer"}, {'E', "Input"},  {'A', "Output"},
};
// The English mnemonics differ from the German ones in three letters only.
constexpr OperandArea kEnglishOperandAreas[] = {
    {'D', "DBW"},   {'M', "Merker"}, {'C', "Counter"},
    {'T', "Timer"}, {'I', "Input"},  {'Q', "Output"},
};

constexpr SymbolType kSymbolTypes[] = {
    {"BYTE", "Byte", false, ""},
    {"BOOL", "Byte", false, "BOOL"},
    {"CHAR", "Byte", false, "CHAR"},
    {"WORD", "Word", false, ""},
    {"INT", "Word", true, ""},
    {"DWORD", "DWord", false, ""},
    {"DINT", "DWord", true, ""},
    {"TIMER", "Timer", false, ""},
    {"COUNTER", "Counter", false, ""},
    {"REAL", "DWord", false, "REAL"},
    {"TIME", "", false, "TIME"},
    {"S5TIME", "", false, "S5TIME"},
    {"DB", "DBW", false, "DB"},
};

constexpr std::string_view kUnlistedTag = "UNKNOWN";

}  // namespace

SymbolLineColumns SplitSymbolLine(std::string_view line) {
    return {
        TrimBlanks(Columns(line, 5, 24)),
        OperandAreaOf(line),
        TrimBlanks(Columns(line, 33, 7)),
        TrimBlanks(Columns(line, 40, 8)),
        TrimBlanks(ColumnsFrom(line, 48)),
    };
}

std::string_view DataAreaNameOf(std::string_view operandArea, ImportOptions::Mnemonics mnemonics) {
    if (operandArea.empty()) return {};
    const auto& areas = mnemonics == ImportOptions::Mnemonics::English ? kEnglishOperandAreas : kOperandAreas;
    for (const auto& area : areas)
        if (area.Letter == operandArea.front()) return area.AreaName;
    return {};
}

SymbolType SymbolTypeOf(std::string_view token) {
    for (const auto& type : kSymbolTypes)
        if (type.Token == token) return type;
    return {token, "", false, kUnlistedTag};
}

void VariableASCInfoRecord::GetVariableInfoRecord() { GetVariableInfoRecord(SplitSymbolLine(SourceLine)); }

void VariableASCInfoRecord::GetVariableInfoRecord(const SymbolLineColumns& fields) {
    columns_ = fields;
    if (columns_.Symbol.empty()) return;
    ObjectOf(VariableInfoRecord).Name = columns_.Symbol;
    if (Entry) AccountColumns();
    AssignDataArea();
    AssignDataType();
    AssignFieldAdd1();
    AssignFieldAdd2();
    AssignFieldAdd3();
    AssignFieldAdd4();
    AssignFieldAdd5();
    VariableInfoRecord->NestingLevel = 1;
}

// The line as written, and its absolute address: operand area and address one blank apart.
void VariableASCInfoRecord::AccountColumns() {
    // The columns are kept at once, one after the other, and viewed there; operand area and
    // address once, as the absolute address.
    const SymbolLineColumns& c = columns_;
    const std::string_view blank = !c.OperandArea.empty() && !c.Address.empty() ? " " : "";
    const std::string_view kept = CurrentImport().Keep({c.Symbol, c.OperandArea, blank, c.Address, c.DataType, c.Comment});
    size_t at = 0;
    auto next = [&](size_t size) {
        const std::string_view part = kept.substr(at, size);
        at += size;
        return part;
    };
    Entry->Name = next(c.Symbol.size());
    Entry->AbsoluteAddress = next(c.OperandArea.size() + blank.size() + c.Address.size());
    Entry->DataType = next(c.DataType.size());
    Entry->Comment = next(c.Comment.size());
    Entry->OperandArea = Entry->AbsoluteAddress.substr(0, c.OperandArea.size());
    Entry->Address = Entry->AbsoluteAddress.substr(c.OperandArea.size() + blank.size());
}

void VariableASCInfoRecord::AssignDataArea() {
    std::string_view areaName = DataAreaNameOf(columns_.OperandArea, Mnemonics);
    if (areaName.empty()) {
        if (Entry) {
            Entry->Fate = LineFate::AreaNotKnown;
            Entry->Reason = columns_.OperandArea.empty()
                                ? std::string_view("no operand area")
                                : CurrentImport().Keep({"operand area ", columns_.OperandArea, " not known"});
        }
        return;
    }
    DeviceDBService& db = CurrentImport().DeviceDatabase();
    db.DataAreaId = 0;
    db.FindDataAreaId(areaName);
    VariableInfoRecord->DataAreaId = db.DataAreaId;
    if (Entry && db.DataAreaId == 0) {
        Entry->Fate = LineFate::AreaNotInDevice;
        Entry->Reason = CurrentImport().Keep({"data area ", areaName, " not in the device"});
    }
}

void VariableASCInfoRecord::AssignDataType() {
    Variable& variable = *VariableInfoRecord;
    variable.TagAttribute.clear();
    variable.Sign = false;
    variable.Warning = false;
    std::string_view deviceType;
    if (variable.DataAreaId != 0) {
        const std::string token = UpperCase(columns_.DataType);
        const SymbolType type = SymbolTypeOf(token);
        deviceType = type.DeviceType;
        variable.Sign = type.Sign;
        variable.TagAttribute = std::string(type.TagAttribute);
        DeviceDBService& db = CurrentImport().DeviceDatabase();
        db.DataTypeId = 0;
        db.FindDataTypeId(deviceType);
        variable.DataTypeId = db.DataTypeId;
        if (UpperCase(TrimBlanks(deviceType)) != token && deviceType != "DBW") {
            Messenger& messenger = CurrentImport().MessageLog();
            messenger.DB = kSymbolFiles;
            messenger.RecordKORVOTypeConversion(variable.Name, token, deviceType);
            if (Entry) {
                // The types of the table are constants the account views; an unlisted type's
                // token is this line's own, kept.
                ImportContext& import = CurrentImport();
                const std::string_view from = type.Token.data() == token.data() ? import.Keep(token) : type.Token;
                import.Report(*Entry, {1, from, deviceType});
            }
        }
    }
    if (deviceType == "DBW" || deviceType.empty()) {
        Messenger& messenger = CurrentImport().MessageLog();
        messenger.DB = kSymbolFiles;
        messenger.RecordVariableNoForKORVO(variable.Name);
        if (Entry) {
            CurrentImport().Report(*Entry, {4, {}, {}});
            if (variable.DataAreaId != 0)
                Entry->Reason = deviceType.empty()
                                    ? CurrentImport().Keep({"data type ", columns_.DataType, " not for the device"})
                                    : std::string_view("a data block's symbol");
        }
    }
}

void VariableASCInfoRecord::AssignFieldAdd1() {
    VariableInfoRecord->FieldAdd1 = TruncateToInt32(NumberIn(columns_.Address));
}

void VariableASCInfoRecord::AssignFieldAdd2() { VariableInfoRecord->FieldAdd2 = 0; }
void VariableASCInfoRecord::AssignFieldAdd3() { VariableInfoRecord->FieldAdd3 = 0; }
void VariableASCInfoRecord::AssignFieldAdd4() { VariableInfoRecord->FieldAdd4 = 0; }
void VariableASCInfoRecord::AssignFieldAdd5() { VariableInfoRecord->FieldAdd5 = 0; }

}  // namespace tessaro
