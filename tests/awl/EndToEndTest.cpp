// A symbol table and a data-block source imported together through the driver: the
// symbol of each imported block is replaced by the block's elements.
#include "TestSupport.h"

#include <tessaro/VariableDriver.h>

#include <gtest/gtest.h>

namespace tessaro::test {
namespace {

DataSourceCollection Sources(const std::vector<std::string>& ids) {
    DataSourceCollection sources;
    for (const auto& id : ids) sources.Add(std::make_shared<DataSource>(DataSource{id}));
    return sources;
}

TEST(EndToEnd, SamplePlantBlocksReplaceTheirSymbols) {
    ComponentLayout layout;
    const std::string plant = std::string(TESSARO_SOURCE_DIR) + "/samples/plant/Plant";
    VariableDriver driver;
    driver.DeviceCodeId = 1;
    driver.DeviceId = 7;
    auto sources = Sources({plant + ".AWL", plant + ".ASC"});  // symbol tables go first anyway
    ASSERT_TRUE(driver.GetVariables(sources));
    const auto& variables = static_cast<const VariableCollection&>(*driver.Variables);  // the driver's own

    EXPECT_FALSE(variables.Contains("_Recipe_Data_7"));  // DB 10, named by number
    EXPECT_FALSE(variables.Contains("_Line_Status_7"));  // DB 11, named by its symbol
    EXPECT_TRUE(variables.Contains("_Start_Pushbutton_7"));
    for (const auto& v : variables) {
        bool fromSymbols = v->SectionName == "Plant.ASC (Symbol file)";
        EXPECT_FALSE(fromSymbols && v->TagAttribute == "DB" && (v->FieldAdd1 == 10 || v->FieldAdd1 == 11)) << v->Name;
        EXPECT_EQ(v->DeviceId, 7);
    }
    ASSERT_TRUE(variables.Contains("_DB 10.Name_7"));
    EXPECT_EQ(variables.Item("_DB 10.Name_7")->VariableLen, 24);
    ASSERT_TRUE(variables.Contains("_\"Line_Status\".Speed_7"));
    EXPECT_EQ(variables.Item("_\"Line_Status\".Speed_7")->FieldAdd1, 11);
    EXPECT_EQ(variables.Item("_\"Line_Status\".Speed_7")->FieldAdd2, 2);
    // The UDT pre-pass ran first: a STRING member of a UDT instance has its declared length.
    ASSERT_TRUE(variables.Contains("_DB 20.Batch.Code_7"));
    EXPECT_EQ(variables.Item("_DB 20.Batch.Code_7")->VariableLen, 12);
    EXPECT_FALSE(variables.Contains("_\"Archive\".Count_7"));

    std::string merged = ReadFile(layout.merged);
    EXPECT_NE(merged.find("DB \"Archive\"\r\n\r\n\"Archive\"\r\n"), std::string::npos);
    EXPECT_NE(merged.find("DB 40\r\n\r\nDB 40.Enable\r\n"), std::string::npos);
}

TEST(EndToEnd, SecondImportClashesAndRemovesNothingMore) {
    ComponentLayout layout;
    TempDir folder;
    WriteFile(folder / "s.ASC", "126,Store                   DB     12  DB      Store\r\n"
                                "126,Other                   DB     13  DB      Other\r\n");
    WriteFile(folder / "d.AWL", "DATA_BLOCK DB 12\r\nBEGIN\r\n   a := 5;\r\nEND_DATA_BLOCK\r\n");
    VariableDriver driver;
    driver.DeviceCodeId = 1;
    driver.DeviceId = 1;
    auto sources = Sources({folder / "d.AWL", folder / "s.ASC"});
    ASSERT_TRUE(driver.GetVariables(sources));
    std::vector<std::string> names;
    for (const auto& v : *driver.Variables) names.push_back(v->Name);
    EXPECT_EQ(names, (std::vector<std::string>{"Other", "DB 12.a"}));

    // Again: Store comes back from the symbol table and is removed again; the element
    // clashes with itself; Other clashes.
    ASSERT_TRUE(driver.GetVariables(sources));
    names.clear();
    for (const auto& v : *driver.Variables) names.push_back(v->Name);
    EXPECT_EQ(names, (std::vector<std::string>{"Other", "DB 12.a"}));
    std::string merged = ReadFile(layout.merged);
    EXPECT_NE(merged.find("DB 12.a " + (folder / "d.AWL")), std::string::npos);
}

}  // namespace
}  // namespace tessaro::test
