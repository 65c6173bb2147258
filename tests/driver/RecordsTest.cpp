#include "driver/InfoImportedVariable.h"

#include <tessaro/DataSource.h>
#include <tessaro/Variable.h>

#include <gtest/gtest.h>

namespace tessaro {
namespace {

TEST(Records, StartWithTheirDefaults) {
    Variable v;
    EXPECT_EQ(v.Name, "");
    EXPECT_EQ(v.SectionName, "");
    EXPECT_EQ(v.TagAttribute, "");
    for (int32_t field : {v.DeviceId, v.NestingLevel, v.DataAreaId, v.DataTypeId, v.VariableLen, v.FieldAdd1,
                          v.FieldAdd2, v.FieldAdd3, v.FieldAdd4, v.FieldAdd5})
        EXPECT_EQ(field, 0);
    EXPECT_FALSE(v.Sign);
    EXPECT_FALSE(v.Warning);
    EXPECT_EQ(DataSource{}.SourceId, "");
}

TEST(Records, AreSharedNotCopiedByTheCollection) {
    VariableCollection variables;
    auto v = std::make_shared<Variable>();
    v->Name = "  Motor_On  ";  // stored as written: trimming is the writers' business
    variables.Add(v, VariableKey(v->Name, 3));
    v->FieldAdd1 = 12;
    EXPECT_EQ(variables.Item(1).get(), v.get());
    EXPECT_EQ(variables.Item(1)->FieldAdd1, 12);
    EXPECT_EQ(variables.Item(1)->Name, "  Motor_On  ");
}

TEST(VariableKey, IsUnderscoreNameUnderscoreDeviceTrimmedAndFolded) {
    struct Case {
        const char* name;
        int32_t device;
        const char* expected;
    } cases[] = {
        {"Motor_On", 3, "_MOTOR_ON_3"},
        {"  Pump", 1, "_PUMP_1"},        // leading blanks of the name go
        {"Pump  ", 1, "_PUMP  _1"},      // trailing ones stay in front of "_"
        {"DB 12.Speed", -12, "_DB 12.SPEED_-12"},
        {"", 0, "__0"},
        {"\xE4rger", 2, "_\xC4RGER_2"},  // folded in the code page
    };
    for (const auto& c : cases) EXPECT_EQ(VariableKey(c.name, c.device), c.expected) << c.name;
    EXPECT_EQ(VariableKey("Pump", 1), VariableKey("PUMP", 1));
    EXPECT_NE(VariableKey("Pump", 1), VariableKey("Pump", 2));
}

TEST(InfoImportedVariable, StartsWithAnEmptyDataSourceAndItsOwnBodiesDoNothing) {
    class Plain : public InfoImportedVariable {};
    Plain importer;
    ASSERT_TRUE(importer.DataSource);  // a new, empty data source of its own
    EXPECT_EQ(importer.DataSource->SourceId, "");
    EXPECT_FALSE(importer.UDTs);
    EXPECT_EQ(importer.DeviceId, 0);
    auto udts = std::make_shared<UDTCollection>();
    VariableCollection variables;
    InfoImportedVariable& contract = importer;
    contract.GetImportedVariables(variables);
    contract.GetImportedVariables(*udts);
    EXPECT_EQ(variables.Count(), 0u);
    EXPECT_EQ(udts->Count(), 0u);
}

}  // namespace
}  // namespace tessaro
