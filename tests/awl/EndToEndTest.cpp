// A symbol table and a data-block source imported together through the driver: the
// UDT pre-pass first, the symbol tables next, then the blocks, whose symbols are
// replaced by their elements.
#include "TestSupport.h"

#include <tessaro/VariableDriver.h>

#include <gtest/gtest.h>

namespace tessaro::test {
namespace {

std::vector<std::string> NamesOf(const VariableList& variables) {
    std::vector<std::string> names;
    for (const auto& v : variables) names.push_back(v->Name);
    return names;
}

TEST(EndToEnd, SamplePlantElementsAtTheirAddressesReplaceTheBlockSymbols) {
    ComponentLayout layout;
    const std::string plant = std::string(TESSARO_SOURCE_DIR) + "/samples/plant/Plant";
    VariableDriver driver;
    driver.DeviceCodeId = 1;
    driver.DeviceId = 7;
    auto sources = Sources({plant + ".AWL", plant + ".ASC"});  // symbol tables go first anyway
    ASSERT_TRUE(driver.GetVariables(sources));
    // "Name FieldAdd1.FieldAdd2 tDataTypeId [lenVariableLen] [check]" of every element.
    std::vector<std::string> got;
    for (const auto& v : *driver.Variables) {
        EXPECT_EQ(v->DeviceId, 7);
        if (v->SectionName == "Plant.ASC (Symbol file)") {
            EXPECT_FALSE(v->TagAttribute == "DB" && (v->FieldAdd1 == 10 || v->FieldAdd1 == 11)) << v->Name;
            continue;
        }
        got.push_back(v->Name + " " + std::to_string(v->FieldAdd1) + "." + std::to_string(v->FieldAdd2) + " t" +
                      std::to_string(v->DataTypeId) + (v->VariableLen ? " len" + std::to_string(v->VariableLen) : "") +
                      (v->Warning ? " check" : ""));
    }
    const std::string ls = "\"Line_Status\".";
    const std::vector<std::string> expected = {
        "DB 10.Name 10.0 t14 len24", "DB 10.Steps[1] 10.26 t11", "DB 10.Steps[2] 10.28 t11", "DB 10.Active 10.30 t10",
        ls + "Running 11.0 t10", ls + "Fault 11.0 t10", ls + "Ready 11.0 t10", ls + "Speed 11.2 t11",
        ls + "Mode 11.4 t10", ls + "Setpoint 11.6 t11", ls + "Motor.On 11.8 t10", ls + "Motor.Left 11.8 t10",
        ls + "Motor.Current 11.10 t13", ls + "Valve.Open 11.14 t10", ls + "Valve.Closed 11.14 t10",
        ls + "Pump.On 11.16 t10", ls + "Counter 11.18 t12", ls + "Status 11.22 t11", ls + "Flags 11.24 t12",
        ls + "Cycle 11.28 t12", ls + "Delay 11.32 t17", ls + "Startup 11.34 t11", ls + "Shift 11.36 t12",
        ls + "Stamp 11.40 t12", ls + "Letter 11.48 t14 len1", ls + "Operator 11.50 t14 len16",
        "DB 20.Tank[1].Level 20.0 t13", "DB 20.Tank[1].High 20.4 t10", "DB 20.Tank[1].Low 20.4 t10",
        "DB 20.Tank[2].Level 20.6 t13", "DB 20.Tank[2].High 20.10 t10", "DB 20.Tank[2].Low 20.10 t10",
        "DB 20.Tank[3].Level 20.12 t13", "DB 20.Tank[3].High 20.16 t10", "DB 20.Tank[3].Low 20.16 t10",
        "DB 20.Batch.Code 20.18 t14 len12",  // the pre-pass ran first: a UDT's declared length
        "DB 20.Batch.Amount 20.32 t11", "DB 20.Batch.Origin.Supplier 20.34 t14 len1", "DB 20.Batch.Origin.Lot 20.36 t12",
        "DB 20.Medium.Label 20.40 t14 len4", "DB 20.Medium.Level 20.46 t13", "DB 20.Timers.Fill 20.50 t15",
        "DB 20.Timers.Drain 20.52 t16", "DB 20.Timers.Rinse 20.54 t17", "DB 20.Timers.Soak 20.56 t18",
        "DB 20.Block 20.58 t0", "DB 20.Source 20.60 t0", "DB 20.Dosing 20.70 t0", "DB 20.Bottles 20.72 t0",
        "DB 40.Enable 40.0 t10 check", "DB 40.Target 40.2 t13 check", "DB 40.Done 40.6 t10 check",
    };
    EXPECT_EQ(got, expected);
    EXPECT_TRUE(static_cast<const VariableCollection&>(*driver.Variables).Contains("_Start_Pushbutton_7"));
    std::string merged = ReadFile(layout.merged);
    EXPECT_NE(merged.find("DB \"Archive\"\r\n\r\n\"Archive\"\r\n"), std::string::npos);
    EXPECT_NE(merged.find("DB 40\r\n\r\nDB 40.Enable\r\n"), std::string::npos);
}

TEST(EndToEnd, SecondImportClashesAndRemovesNothingMore) {
    ComponentLayout layout;
    TempDir folder;
    WriteFile(folder / "s.ASC", CrLf({SymbolLine("Store", "DB", "12", "DB"), SymbolLine("Other", "DB", "13", "DB")}));
    WriteFile(folder / "d.AWL", CrLf({"DATA_BLOCK DB 12", "BEGIN", "   a := 5;", "END_DATA_BLOCK"}));
    VariableDriver driver;
    driver.DeviceCodeId = 1;
    driver.DeviceId = 1;
    auto sources = Sources({folder / "d.AWL", folder / "s.ASC"});
    ASSERT_TRUE(driver.GetVariables(sources));
    EXPECT_EQ(NamesOf(*driver.Variables), (std::vector<std::string>{"Other", "DB 12.a"}));
    // Again: Store comes back from the symbol table and is removed again; the element
    // clashes with itself; Other clashes.
    ASSERT_TRUE(driver.GetVariables(sources));
    EXPECT_EQ(NamesOf(*driver.Variables), (std::vector<std::string>{"Other", "DB 12.a"}));
    EXPECT_NE(ReadFile(layout.merged).find("DB 12.a " + (folder / "d.AWL")), std::string::npos);
}

}  // namespace
}  // namespace tessaro::test
