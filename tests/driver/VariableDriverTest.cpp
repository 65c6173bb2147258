// The driver as hosts hold it: why an import failed and what it reported, and Variables
// that the host changes while the import yields. (Through automation, tests/wine shows
// a host's own list as Variables, Variables set to nothing, and the driver's teardown.)

#include "TestSupport.h"
#include "driver/ImportContext.h"

#include <tessaro/RuntimeError.h>
#include <tessaro/VariableDriver.h>

#include <gtest/gtest.h>

namespace tessaro::test {
namespace {

class VariableDriverTest : public ::testing::Test {
protected:
    void SetUp() override { driver.DeviceCodeId = 1; }  // the sample's first device: takes everything
    bool Import(DataSourceCollection&& sources) { return driver.GetVariables(sources); }
    ComponentLayout layout;
    VariableDriver driver;
};

// A failed import keeps its reason for the host; the next one forgets it and counts its
// reports by kind (group lines not counted): here the UDT pre-pass, the symbol tables and
// the data blocks each report a missing file. (tests/reliability shows the other reasons.)
TEST_F(VariableDriverTest, AFailureKeepsItsReasonUntilTheNextImportWhichCountsItsReports) {
    const std::string asc = layout.root / "p.ASC";
    WriteFile(asc, CrLf({SymbolLine("In", "E", "1", "BYTE")}));
    std::filesystem::remove(layout.deviceDb);
    EXPECT_FALSE(Import(Sources({asc})));
    EXPECT_EQ(driver.LastFailure.Number, FileNotFound);
    EXPECT_NE(driver.LastFailure.Description.find("KorvoDEV.dbr: No such file or directory"), std::string::npos);

    std::filesystem::copy_file(TESSARO_SAMPLE_DB, layout.deviceDb);
    EXPECT_TRUE(Import(Sources({layout.root / "x.AWL", layout.root / "y.ASC", asc})));
    EXPECT_EQ(driver.LastFailure.Number, 0);
    EXPECT_EQ(driver.LastFailure.Description, "");
    EXPECT_EQ(driver.ReportCounts, (std::array<size_t, 7>{0, 0, 0, 3, 0, 0, 0}));

    // An item that is no data source fails the pre-pass, before any symbol table is read;
    // the message log and device database it opened stay with the thread until the next
    // import replaces them, and a completed import releases both.
    auto sources = Sources({asc});
    sources.Add(nullptr);
    EXPECT_FALSE(Import(std::move(sources)));
    EXPECT_EQ(driver.LastFailure.Number, ObjectNotSet);
    EXPECT_EQ(driver.Variables->Count(), 1u);  // the symbol of the second import only
    const std::weak_ptr<Messenger> log = CurrentImport().SharedMessenger;
    const std::weak_ptr<DeviceDBService> db = CurrentImport().DeviceDB;
    EXPECT_FALSE(log.expired() || db.expired());
    EXPECT_TRUE(Import(Sources({asc})));
    EXPECT_TRUE(log.expired() && db.expired());
    EXPECT_EQ(CurrentImport().SharedMessenger, nullptr);
    EXPECT_EQ(CurrentImport().DeviceDB, nullptr);
}

// SDF and DIF symbol tables are read only when the host asks: left alone, the driver
// ignores them as any other name; asked, it reads them in the symbol-table pass, before
// a data-block source given first, and says per file what it read and why a file ended.
TEST_F(VariableDriverTest, OtherSymbolFormatsOnlyWhenAskedAndBeforeTheDataBlocks) {
    const std::string awl = layout.root / "b.AWL", sdf = layout.root / "s.Sdf", dif = layout.root / "d.DIF";
    WriteFile(awl, CrLf({"DATA_BLOCK \"Block\"", "  STRUCT", "   On : BOOL ;", "  END_STRUCT ;", "BEGIN", "   On := TRUE;",
                         "END_DATA_BLOCK"}));
    WriteFile(sdf, CrLf({"\"Block\",\"DB 7\",\"DB\",\"\"", "\"Fan\",\"M 3\",\"byte\",\"\""}));
    WriteFile(dif, CrLf({"TABLE", "0,1", "\"\"", "DATA", "0,0", "\"\"", "-1,0", "BOT", "1,0", "\"Horn\"", "1,0", "\"A 1.0\""}));
    EXPECT_TRUE(Import(Sources({awl, sdf, dif})));
    EXPECT_EQ(driver.Variables->Count(), 0u);  // without its symbol the block is skipped
    EXPECT_EQ(driver.ReportCounts, (std::array<size_t, 7>{0, 0, 0, 0, 0, 1, 0}));
    ASSERT_EQ(driver.Readings.size(), 1u);
    EXPECT_EQ(driver.Readings[0].Format, "AWL");

    driver.Variables = std::make_shared<VariableCollection>();
    driver.Options.OtherSymbolFormats = true;
    EXPECT_TRUE(Import(Sources({awl, sdf, dif})));
    ASSERT_EQ(driver.Variables->Count(), 2u);  // Fan, then the element of DB 7 in place of its symbol
    EXPECT_EQ(driver.Variables->Item(1)->Name, "Fan");
    EXPECT_EQ(driver.Variables->Item(2)->FieldAdd1, 7);
    EXPECT_EQ(driver.ReportCounts[3], 1u);  // d.DIF: its one row has two cells
    EXPECT_EQ(driver.ReportCounts[5], 0u);
    ASSERT_EQ(driver.Readings.size(), 3u);
    EXPECT_EQ(driver.Readings[0].Format, "SDF");
    EXPECT_EQ(driver.Readings[0].Lines, 2u);
    EXPECT_EQ(driver.Readings[0].Failure, "");
    EXPECT_EQ(driver.Readings[1].Format, "DIF");
    EXPECT_EQ(driver.Readings[1].Failure, "line 8: a row of 2 cells, where 4 are due");
    EXPECT_EQ(driver.Readings[2].Format, "AWL");
}

// SDF and DIF rows take the readings of the line reader and the symbol-table record: lone
// LFs end their lines, the mnemonics are detected per file from the rows (English here,
// a mix read as German and said there), and each file's reading is noted once.
TEST_F(VariableDriverTest, OtherSymbolFormatsReadWithTheFilesMnemonics) {
    const std::string english = layout.root / "en.SDF", mixed = layout.root / "mix.sdf";
    WriteFile(english, "\"Start\",\"%I0.0\",\"Byte\",\"\"\n\"Valve\",\"Q 4\",\"BYTE\",\"\"\n");
    WriteFile(mixed, CrLf({"\"Horn\",\"A 1\",\"BYTE\",\"\"", "\"Lamp\",\"Q 2\",\"BYTE\",\"\""}));
    driver.Options = ImportOptions::AsFound();
    driver.Options.OtherSymbolFormats = true;
    EXPECT_TRUE(Import(Sources({english, mixed})));
    ASSERT_EQ(driver.Variables->Count(), 3u);  // Start, Valve; Horn (Q is no German area)
    EXPECT_EQ(driver.Variables->Item(3)->Name, "Horn");
    ASSERT_EQ(driver.Readings.size(), 2u);
    EXPECT_TRUE(driver.Readings[0].LoneLineFeeds && driver.Readings[0].EnglishMnemonics);
    EXPECT_EQ(driver.Readings[0].Lines, 2u);
    EXPECT_EQ(driver.Readings[0].Added, 2u);
    EXPECT_FALSE(driver.Readings[1].EnglishMnemonics || driver.Readings[1].LoneLineFeeds);
    EXPECT_TRUE(driver.Readings[1].MixedMnemonics);
    EXPECT_EQ(driver.Readings[1].Entries, 2u);
}

// While the data blocks are read, the host removes the symbol of DB 2 and adds another one
// for it: the second header must find and remove that one. The driver empties Variables
// when it goes; the records live on.
TEST_F(VariableDriverTest, TheHostMayChangeVariablesWhileTheImportYields) {
    const std::string awl = layout.root / "b.AWL";
    WriteFile(awl, CrLf({"DATA_BLOCK DB 1", "BEGIN", "   A := 5;", "END_DATA_BLOCK", "DATA_BLOCK DB 2", "BEGIN", "   B := 6;",
                         "END_DATA_BLOCK"}));
    auto symbol = [](std::string name, int32_t number) {
        return std::make_shared<Variable>(
            Variable{.Name = name, .SectionName = "s.ASC (Symbol file)", .TagAttribute = "DB", .FieldAdd1 = number});
    };
    auto host = std::make_unique<VariableDriver>();
    host->DeviceCodeId = 1;
    const std::shared_ptr<VariableList> variables = host->Variables;
    variables->Add(symbol("Blk1", 1), "_Blk1_0");
    variables->Add(symbol("Blk2", 2), "_Blk2_0");
    bool changed = false;
    YieldAction change([&](int) {
        if (changed || variables->Count() != 2 || variables->Item(2)->Name != "DB 1.A") return;
        variables->Remove("_Blk2_0");
        variables->Add(symbol("Other", 2), "_Other_0");
        changed = true;
    });
    auto sources = Sources({awl});
    ASSERT_TRUE(host->GetVariables(sources));
    EXPECT_TRUE(changed);
    EXPECT_EQ(host->ReportCounts[3], 0u);
    std::vector<std::string> rows;
    for (const auto& v : *variables) rows.push_back(v->Name + "@" + v->SectionName);
    EXPECT_EQ(rows, (std::vector<std::string>{"DB 1.A@DB 1", "DB 2.B@DB 2"}));

    const VariablePtr record = variables->Item(2);
    host.reset();
    EXPECT_EQ(variables->Count(), 0u);
    EXPECT_EQ(ErrorNumberOf([&] { variables->Item(std::string_view("_DB 1.A_0")); }), InvalidArgument);
    EXPECT_EQ(record->Name, "DB 2.B");
}

// A host may give a symbol with blanks before its name; its key is built from the name
// without them, and under that key the header of its block finds and removes it.
TEST_F(VariableDriverTest, AHostsSymbolWithBlanksBeforeItsNameIsFoundUnderTheTrimmedKey) {
    const std::string awl = layout.root / "b.AWL";
    WriteFile(awl, CrLf({"DATA_BLOCK DB 2", "BEGIN", "   B := 6;", "END_DATA_BLOCK"}));
    driver.Variables->Add(std::make_shared<Variable>(Variable{
                              .Name = "  Blk2", .SectionName = "s.ASC (Symbol file)", .TagAttribute = "DB", .FieldAdd1 = 2}),
                          "_Blk2_0");
    ASSERT_TRUE(Import(Sources({awl})));
    std::vector<std::string> names;
    for (const auto& v : *driver.Variables) names.push_back(v->Name);
    EXPECT_EQ(names, std::vector<std::string>{"DB 2.B"});
    EXPECT_EQ(driver.ReportCounts[3], 0u);  // no file error
}

}  // namespace
}  // namespace tessaro::test
