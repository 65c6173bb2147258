// One symbol-table line through VariableASCInfoRecord against a device database.

#include "AscTestSupport.h"
#include "asc/VariableASCInfoRecord.h"
#include "devicedb/DeviceDBService.h"

#include <tessaro/RuntimeError.h>

#include <gtest/gtest.h>

namespace tessaro {
namespace {

using test::ImportScope;
using test::SymbolLine;

struct Expected { std::string name; int32_t area, type; std::string tag; bool sign; int32_t fieldAdd1; };

// What one symbol's reports add to the merged message file.
std::string Reports(const std::string& name, std::string conversion, bool notForDevice) {
    std::vector<test::MessageBlock> blocks;
    conversion.resize(30, ' ');
    if (conversion != std::string(30, ' ')) blocks.push_back({test::kConversion, {"Symbol Files", conversion + " " + name}});
    if (notForDevice) blocks.push_back({test::kUnfit, {"Symbol Files", name}});
    return blocks.empty() ? "" : test::Merged(blocks);
}

VariablePtr Parse(const std::string& line) {
    VariableASCInfoRecord record;
    record.SourceLine = line;
    record.GetVariableInfoRecord();
    return record.VariableInfoRecord;
}

void ExpectVariable(const Variable& v, const Expected& e) {
    EXPECT_EQ(v.Name, e.name);
    EXPECT_EQ(v.DataAreaId, e.area);
    EXPECT_EQ(v.DataTypeId, e.type);
    EXPECT_EQ(v.TagAttribute, e.tag);
    EXPECT_EQ(v.Sign, e.sign);
    EXPECT_EQ(v.FieldAdd1, e.fieldAdd1);
    EXPECT_EQ(v.NestingLevel, e.name.empty() ? 0 : 1);
    // Never set by the line record.
    EXPECT_EQ(v.SectionName, "");
    EXPECT_EQ(v.DeviceId, 0);
    EXPECT_EQ(v.VariableLen, 0);
    EXPECT_EQ(v.FieldAdd2, 0);
    EXPECT_EQ(v.FieldAdd3, 0);
    EXPECT_EQ(v.FieldAdd4, 0);
    EXPECT_EQ(v.FieldAdd5, 0);
    EXPECT_FALSE(v.Warning);
}

TEST(VariableASCInfoRecord, FieldsOfOneLine) {
    ImportScope scope;
    struct Case {
        std::string line;
        Expected expected;
        std::string conversion;  // as reported, "" for none
        bool notForDevice;
    } cases[] = {
        {SymbolLine("Start_Button", "E", "0.1", "BOOL"), {"Start_Button", 3, 30, "BOOL", false, 0}, "BOOL->Byte", false},
        {SymbolLine("Level", "E", "12.3", "INT"), {"Level", 3, 31, "", true, 12}, "INT->Word", false},
        {SymbolLine("Total", "M", "20", "DINT"), {"Total", 2, 22, "", true, 20}, "DINT->DWord", false},
        {SymbolLine("Flow", "M", "24", "REAL"), {"Flow", 2, 22, "REAL", false, 24}, "REAL->DWord", false},
        {SymbolLine("Status", "A", "4", "WORD"), {"Status", 4, 41, "", false, 4}, "", false},
        {SymbolLine("Code", "A", "6", "CHAR"), {"Code", 4, 40, "CHAR", false, 6}, "CHAR->Byte", false},
        {SymbolLine("Counts", "M", "8", "DWORD"), {"Counts", 2, 22, "", false, 8}, "", false},
        {SymbolLine("Delay", "T", "5", "TIMER"), {"Delay", 5, 50, "", false, 5}, "", false},
        {SymbolLine("Pieces", "Z", "3", "COUNTER"), {"Pieces", 6, 60, "", false, 3}, "", false},
        // A "DB" symbol looks up a type named "DBW", which device 1 lacks.
        {SymbolLine("Recipe", "DB", "10", "DB"), {"Recipe", 1, 0, "DB", false, 10}, "", true},
        // The type token is upper-cased before the table is read.
        {SymbolLine("Lower", "M", "2", "int"), {"Lower", 2, 21, "", true, 2}, "INT->Word", false},
        {SymbolLine("Mixed", "M", "2", " Byte "), {"Mixed", 2, 20, "", false, 2}, "", false},
        // No device type for these: the identifier stays 0, the tag is kept.
        {SymbolLine("Cycle", "M", "30", "TIME"), {"Cycle", 2, 0, "TIME", false, 30}, "TIME->", true},
        {SymbolLine("Pause", "M", "32", "S5TIME"), {"Pause", 2, 0, "S5TIME", false, 32}, "S5TIME->", true},
        {SymbolLine("Today", "M", "34", "DATE"), {"Today", 2, 0, "UNKNOWN", false, 34}, "DATE->", true},
        {SymbolLine("NoType", "M", "36", ""), {"NoType", 2, 0, "UNKNOWN", false, 36}, "", true},
        // A lower-case letter selects no area.
        {SymbolLine("Ein", "e", "1", "BOOL"), {"Ein", 0, 0, "", false, 1}, "", true},
        {SymbolLine("Periphery", "PEW", "256", "WORD"), {"Periphery", 0, 0, "", false, 256}, "", true},
        {SymbolLine("Function", "FC", "7", "FC"), {"Function", 0, 0, "", false, 7}, "", true},
        {SymbolLine("NoArea", "", "1", "INT"), {"NoArea", 0, 0, "", false, 1}, "", true},
        // Address: the leading number truncated; text or nothing gives 0.
        {SymbolLine("A1", "M", "0.7", "BYTE"), {"A1", 2, 20, "", false, 0}, "", false},
        {SymbolLine("A2", "M", "X12", "BYTE"), {"A2", 2, 20, "", false, 0}, "", false},
        {SymbolLine("A3", "M", "", "BYTE"), {"A3", 2, 20, "", false, 0}, "", false},
        {SymbolLine("A4", "M", "-3.9", "BYTE"), {"A4", 2, 20, "", false, -3}, "", false},
        {SymbolLine("A5", "M", "1 2", "BYTE"), {"A5", 2, 20, "", false, 12}, "", false},
        {SymbolLine("A6", "M", "2E3", "BYTE"), {"A6", 2, 20, "", false, 2000}, "", false},
        // Lines without a symbol leave the variable as created.
        {SymbolLine("", "M", "1", "BYTE"), {"", 0, 0, "", false, 0}, "", false},
        {"126,", {"", 0, 0, "", false, 0}, "", false}, {"", {"", 0, 0, "", false, 0}, "", false},
        // A line that ends inside the area column still has its area.
        {"    Short" + std::string(19, ' ') + "M", {"Short", 2, 0, "UNKNOWN", false, 0}, "", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        ExpectVariable(*Parse(c.line), c.expected);
        EXPECT_EQ(scope.MergedMessages(), Reports(c.expected.name, c.conversion, c.notForDevice));
    }
}

TEST(VariableASCInfoRecord, AnAreaTheDeviceLacksIsNoArea) {
    ImportScope scope(2);
    ExpectVariable(*Parse(SymbolLine("Flag", "M", "1", "BYTE")), {"Flag", 0, 0, "", false, 1});
    EXPECT_EQ(scope.MergedMessages(), Reports("Flag", "", true));
    ExpectVariable(*Parse(SymbolLine("In", "E", "1", "BYTE")), {"In", 201, 2010, "", false, 1});
    // The type is searched only within the area just found.
    ExpectVariable(*Parse(SymbolLine("InWord", "E", "2", "WORD")), {"InWord", 201, 0, "", false, 2});
    ExpectVariable(*Parse(SymbolLine("Block", "D", "2", "DB")), {"Block", 203, 2030, "DB", false, 2});
}

TEST(VariableASCInfoRecord, FailuresReachTheCaller) {
    {
        ImportScope scope(7);
        ExpectVariable(*Parse(SymbolLine("Fine", "M", "1", "BYTE")), {"Fine", 71, 710, "", false, 1});
        EXPECT_THROW(Parse(SymbolLine("Broken", "M", "2", "WORD")), RuntimeError);
    }
    ImportScope scope;
    EXPECT_EQ(test::ErrorNumberOf([] { Parse(SymbolLine("Huge", "M", "1E10", "BYTE")); }), Overflow);
    CloseDeviceDB();  // without the shared device database of an import
    EXPECT_EQ(test::ErrorNumberOf([] { Parse(SymbolLine("Alone", "M", "1", "BYTE")); }), ObjectNotSet);
}

}  // namespace
}  // namespace tessaro
