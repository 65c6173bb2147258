// One symbol-table file through InfoASCImportedVariable.

#include "AscTestSupport.h"
#include "asc/InfoASCImportedVariable.h"

#include <tessaro/Platform.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace tessaro {
namespace {

using test::ImportScope;
using test::kConversion;
using test::kFileError;
using test::kSameName;
using test::Merged;
using test::SymbolLine;
using test::CrLf;
using test::TempDir;
using test::WriteFile;

void Import(VariableCollection& variables, const std::string& sourceId, int32_t deviceId = 1) {
    InfoASCImportedVariable importer;
    InfoImportedVariable& contract = importer;
    contract.DataSource = std::make_shared<DataSource>(DataSource{sourceId});
    contract.DeviceId = deviceId;
    contract.GetImportedVariables(variables);
}

std::vector<std::string> Names(const VariableCollection& variables) {
    std::vector<std::string> names;
    for (const auto& v : variables) names.push_back(v->Name);
    return names;
}

TEST(InfoASCImportedVariable, CompletesAndKeysEveryVariableWithAnArea) {
    ImportScope scope;
    TempDir dir;
    const std::string file = dir / "Line1.ASC";
    WriteFile(file, CrLf({
                        SymbolLine("Motor_On", "A", "0.0", "BOOL", "Motor contactor"),
                        SymbolLine("", "M", "1", "BYTE"),          // blank symbol
                        SymbolLine("Periphery", "PEW", "256", "WORD"),  // no area
                        SymbolLine("Cycle", "M", "30", "TIME"),    // added, no type
                        SymbolLine("Speed", "M", "2", "INT"),
                    }));
    VariableCollection variables;
    Import(variables, file, -12);
    ASSERT_EQ(Names(variables), (std::vector<std::string>{"Motor_On", "Cycle", "Speed"}));
    for (const auto& v : variables) {
        EXPECT_EQ(v->SectionName, "Line1.ASC (Symbol file)");
        EXPECT_EQ(v->DeviceId, -12);
    }
    EXPECT_EQ(variables.Item("_motor_on_-12")->FieldAdd1, 0);
    EXPECT_EQ(variables.Item("_Cycle_-12")->DataTypeId, 0);
    EXPECT_EQ(variables.Item("_SPEED_-12")->DataTypeId, 21);
}

// One yield per line read, empty lines too.
TEST(InfoASCImportedVariable, LineEndsAndYields) {
    ImportScope scope;
    TempDir dir;
    const std::string a = SymbolLine("A", "M", "1", "BYTE"), b = SymbolLine("B", "M", "2", "BYTE");
    struct Case { std::string text; std::vector<std::string> names; int yields; } cases[] = {
        {"", {}, 0}, {a + "\r" + b, {"A", "B"}, 2}, {a + "\r\n\r\n\r\n" + b + "\r\n", {"A", "B"}, 4},
        {a + "\n" + b + "\n", {"A"}, 1},  // a lone line feed stays in the line: B is never seen
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        WriteFile(dir / "x.asc", c.text);
        int yields = 0;
        SetYieldHook([](void* count) { ++*static_cast<int*>(count); }, &yields);
        VariableCollection variables;
        Import(variables, dir / "x.asc");
        SetYieldHook(nullptr, nullptr);
        EXPECT_EQ(Names(variables), c.names);
        EXPECT_EQ(yields, c.yields);
        EXPECT_EQ(scope.MergedMessages(), "");  // an empty file too reports nothing
    }
}

TEST(InfoASCImportedVariable, NamesDifferingInCaseClashAndTheFirstStays) {
    ImportScope scope;
    TempDir dir;
    WriteFile(dir / "a.ASC", CrLf({
                                 SymbolLine("Pump", "A", "1", "BOOL"),
                                 SymbolLine("PUMP", "E", "2", "BYTE"),
                                 SymbolLine("Valve", "A", "3", "BOOL"),
                             }));
    WriteFile(dir / "b.ASC", CrLf({
                                 SymbolLine("valve", "M", "9", "BYTE"),
                                 SymbolLine("Fan", "M", "10", "BYTE"),
                             }));
    VariableCollection variables;
    Import(variables, dir / "a.ASC");
    Import(variables, dir / "b.ASC");
    ASSERT_EQ(Names(variables), (std::vector<std::string>{"Pump", "Valve", "Fan"}));
    EXPECT_EQ(variables.Item("_PUMP_1")->DataAreaId, 4);
    EXPECT_EQ(variables.Item("_VALVE_1")->SectionName, "a.ASC (Symbol file)");
    // The same names for another device are other keys.
    Import(variables, dir / "a.ASC", 2);
    EXPECT_EQ(Names(variables), (std::vector<std::string>{"Pump", "Valve", "Fan", "Pump", "Valve"}));
    const std::string boolToByte = "BOOL->Byte                     ";
    EXPECT_EQ(scope.MergedMessages(),
              Merged({{kConversion,
                       {"Symbol Files", boolToByte + "Pump", boolToByte + "Valve", boolToByte + "Pump",
                        boolToByte + "Valve"}},
                      {kSameName, {"Symbol Files", "PUMP " + (dir / "a.ASC"), "valve " + (dir / "b.ASC"),
                                   "PUMP " + (dir / "a.ASC")}}}));
}

TEST(InfoASCImportedVariable, ADatabaseFailureOnLineTenKeepsLinesOneToNine) {
    ImportScope scope(7);
    TempDir dir;
    std::vector<std::string> lines;
    for (int i = 1; i <= 100; ++i)
        lines.push_back(SymbolLine("Flag" + std::to_string(i), "M", std::to_string(i), i == 10 ? "WORD" : "BYTE"));
    WriteFile(dir / "big.ASC", CrLf(lines));
    int yields = 0;
    SetYieldHook([](void* count) { ++*static_cast<int*>(count); }, &yields);
    VariableCollection variables;
    Import(variables, dir / "big.ASC");
    SetYieldHook(nullptr, nullptr);
    ASSERT_EQ(variables.Count(), 9u);
    EXPECT_EQ(variables.Item(9)->Name, "Flag9");
    EXPECT_EQ(yields, 10);  // one per line read
    EXPECT_EQ(scope.MergedMessages(), Merged({{kFileError, {dir / "big.ASC"}}}));
}

TEST(InfoASCImportedVariable, UnreadableSourcesAddNothingAndReturn) {
    ImportScope scope;
    TempDir dir;
    std::filesystem::create_directory(dir / "folder.ASC");
    for (const std::string& sourceId : {dir / "missing.ASC", std::string(), dir / "folder.ASC"}) {
        SCOPED_TRACE(sourceId);
        VariableCollection variables;
        EXPECT_NO_THROW(Import(variables, sourceId));
        EXPECT_EQ(variables.Count(), 0u);
        EXPECT_EQ(scope.MergedMessages(), Merged({{kFileError, {sourceId}}}));
    }
    // An importer whose data source was taken away.
    InfoASCImportedVariable importer;
    importer.DataSource.reset();
    VariableCollection variables;
    EXPECT_NO_THROW(importer.GetImportedVariables(variables));
}

TEST(InfoASCImportedVariable, SectionNameCutsAtTheSeparatorOnly) {
    struct Case { std::string sourceId, section; } cases[] = {
        {"/plant/s7/Line1.ASC", "Line1.ASC (Symbol file)"}, {"Line1.ASC", "Line1.ASC (Symbol file)"},
        {"rel/dir/x.asc", "x.asc (Symbol file)"}, {"dir/C:\\plc\\Line1.ASC", "C:\\plc\\Line1.ASC (Symbol file)"},
        {"dir/", " (Symbol file)"}, {"", " (Symbol file)"},
    };
    for (const auto& c : cases) EXPECT_EQ(SymbolFileSection(c.sourceId), c.section) << c.sourceId;
}

}  // namespace
}  // namespace tessaro
