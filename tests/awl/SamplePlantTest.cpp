// The sample plant's data-block source, imported after the symbols of its blocks: every
// element at its address, the block symbols replaced by the elements.
#include "AwlFixture.h"
#include "awl/InfoAWLImportedVariable.h"
#include "awl/InfoUDTImportedVariable.h"

namespace tessaro::test {
namespace {

class SamplePlant : public AwlImport {};

TEST_F(SamplePlant, EveryElementAtItsAddress) {
    const std::string path = std::string(TESSARO_SOURCE_DIR) + "/samples/plant/Plant.AWL";
    auto udts = std::make_shared<UDTCollection>();
    InfoUDTImportedVariable pre;
    pre.DataSource->SourceId = path;
    pre.GetImportedVariables(*udts);
    ASSERT_EQ(udts->Count(), 2u);

    VariableCollection variables;
    // The block symbols of the sample symbol table, Plant.ASC.
    Symbol(variables, "Start_Button", "BOOL", 0);
    Symbol(variables, "Recipe_Data", "DB", 10);
    Symbol(variables, "Line_Status", "DB", 11);
    InfoAWLImportedVariable importer;
    importer.DataSource->SourceId = path;
    importer.UDTs = udts;
    importer.DeviceId = 1;
    importer.GetImportedVariables(variables);

    // name, FieldAdd1, FieldAdd2, DataTypeId, VariableLen, Warning
    std::vector<std::string> got;
    for (const auto& v : variables)
        got.push_back(v->Name + " " + std::to_string(v->FieldAdd1) + "." + std::to_string(v->FieldAdd2) + " t" +
                      std::to_string(v->DataTypeId) + (v->VariableLen ? " len" + std::to_string(v->VariableLen) : "") +
                      (v->Warning ? " check" : ""));
    const std::vector<std::string> expected = {
        "Start_Button 0.0 t0",
        "DB 10.Name 10.0 t14 len24",
        "DB 10.Steps[1] 10.26 t11",
        "DB 10.Steps[2] 10.28 t11",
        "DB 10.Active 10.30 t10",
        "\"Line_Status\".Running 11.0 t10",
        "\"Line_Status\".Fault 11.0 t10",
        "\"Line_Status\".Ready 11.0 t10",
        "\"Line_Status\".Speed 11.2 t11",
        "\"Line_Status\".Mode 11.4 t10",
        "\"Line_Status\".Setpoint 11.6 t11",
        "\"Line_Status\".Motor.On 11.8 t10",
        "\"Line_Status\".Motor.Left 11.8 t10",
        "\"Line_Status\".Motor.Current 11.10 t13",
        "\"Line_Status\".Valve.Open 11.14 t10",
        "\"Line_Status\".Valve.Closed 11.14 t10",
        "\"Line_Status\".Pump.On 11.16 t10",
        "\"Line_Status\".Counter 11.18 t12",
        "\"Line_Status\".Status 11.22 t11",
        "\"Line_Status\".Flags 11.24 t12",
        "\"Line_Status\".Cycle 11.28 t12",
        "\"Line_Status\".Delay 11.32 t17",
        "\"Line_Status\".Startup 11.34 t11",
        "\"Line_Status\".Shift 11.36 t12",
        "\"Line_Status\".Stamp 11.40 t12",
        "\"Line_Status\".Letter 11.48 t14 len1",
        "\"Line_Status\".Operator 11.50 t14 len16",
        "DB 20.Tank[1].Level 20.0 t13",
        "DB 20.Tank[1].High 20.4 t10",
        "DB 20.Tank[1].Low 20.4 t10",
        "DB 20.Tank[2].Level 20.6 t13",
        "DB 20.Tank[2].High 20.10 t10",
        "DB 20.Tank[2].Low 20.10 t10",
        "DB 20.Tank[3].Level 20.12 t13",
        "DB 20.Tank[3].High 20.16 t10",
        "DB 20.Tank[3].Low 20.16 t10",
        "DB 20.Batch.Code 20.18 t14 len12",
        "DB 20.Batch.Amount 20.32 t11",
        "DB 20.Batch.Origin.Supplier 20.34 t14 len1",
        "DB 20.Batch.Origin.Lot 20.36 t12",
        "DB 20.Medium.Label 20.40 t14 len4",
        "DB 20.Medium.Level 20.46 t13",
        "DB 20.Timers.Fill 20.50 t15",
        "DB 20.Timers.Drain 20.52 t16",
        "DB 20.Timers.Rinse 20.54 t17",
        "DB 20.Timers.Soak 20.56 t18",
        "DB 20.Block 20.58 t0",
        "DB 20.Source 20.60 t0",
        "DB 20.Dosing 20.70 t0",
        "DB 20.Bottles 20.72 t0",
        "DB 40.Enable 40.0 t10 check",
        "DB 40.Target 40.2 t13 check",
        "DB 40.Done 40.6 t10 check",
    };
    EXPECT_EQ(got, expected);
}

}  // namespace
}  // namespace tessaro::test
