// Faults from outside the component, injected into whole imports: what the user gets
// back in each case is the return value of GetVariables, the variables kept, and the
// reports in the merged message file. CI runs as root, so permission bits stop nothing:
// an unwritable or unreadable place is made by putting a regular file where a folder is
// expected, or a folder where a file is expected.

#include "ReliabilitySupport.h"
#include "messages/MessengerClock.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tessaro {
namespace {

namespace fs = std::filesystem;
using namespace test;

class FaultInjection : public ::testing::Test {
protected:
    void SetUp() override {
        FixMessengerTime(2026, 1, 2);
        driver.DeviceCodeId = driver.DeviceId = 1;
    }
    void TearDown() override { SetThreadMessengerTime(std::nullopt); }
    std::string Source(const std::string& name, const std::string& content) {
        WriteFile(sources / name, content);
        return sources / name;
    }
    std::string Merged() const { return fs::exists(layout.merged) ? ReadFile(layout.merged) : std::string(); }
    bool Import(const std::vector<std::string>& files) {
        auto list = Sources(files);
        return driver.GetVariables(list);
    }
    ComponentLayout layout{SampleDeviceDbSql()};
    TempDir sources;
    VariableDriver driver;
    const std::string symbols = CrLf({SymbolLine("Motor_On", "M", "1.0", "BOOL"), SymbolLine("Speed", "MW", "2", "INT")});
    const std::string blocks =
        CrLf({"DATA_BLOCK DB 5", "  STRUCT", "   A : INT ;", "  END_STRUCT ;", "BEGIN", "   A := 7;", "END_DATA_BLOCK"});
};

// A data-block source that vanishes or turns unreadable after the UDT pre-pass: the
// data-block pass reports a file access error naming it, the symbol table is imported
// all the same, and GetVariables returns true. The pre-pass of this source yields once
// (it has no type definition), so the second yield is the first line of the symbol table.
TEST_F(FaultInjection, ADataBlockSourceLostBetweenThePassesIsAFileErrorAndTheImportGoesOn) {
    struct Case {
        const char* what;
        void (*lose)(const std::string& path);
    };
    const Case cases[] = {
        {"deleted", [](const std::string& path) { fs::remove(path); }},
        {"replaced by a folder", [](const std::string& path) {
             fs::remove(path);
             fs::create_directory(path);
         }},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.what);
        const std::string awl = Source("Blocks" + std::to_string(i) + ".AWL", blocks);
        const std::string asc = Source("Plant.ASC", symbols);
        YieldAction loser([&](int count) {
            if (count == 2) c.lose(awl);
        });
        Imported out = ImportWithDriver(layout, {awl, asc});
        EXPECT_TRUE(out.result);
        EXPECT_EQ(loser.Count(), 1 + 2) << "the pre-pass yields once, the symbol table once per line";
        ASSERT_EQ(out.variables.size(), 2u);
        EXPECT_TRUE(out.variables[0].starts_with("Motor_On|") && out.variables[1].starts_with("Speed|"));
        EXPECT_NE(out.merged.find("-File access error\r\n\r\n" + awl + "\r\n"), std::string::npos) << out.merged;
    }
}

// A symbol table that turns into a folder while the data-block source is read in the
// pre-pass: its import reports one file error, the data block is imported.
TEST_F(FaultInjection, ASymbolTableLostDuringThePrePassIsAFileErrorAndTheBlocksAreImported) {
    const std::string awl = Source("Blocks.AWL", blocks);
    const std::string asc = Source("Plant.ASC", symbols);
    YieldAction loser([&](int count) {
        if (count == 1) {
            fs::remove(asc);
            fs::create_directory(asc);
        }
    });
    EXPECT_TRUE(Import({asc, awl}));
    ASSERT_EQ(driver.Variables->Count(), 1u);
    EXPECT_EQ(driver.Variables->Item(1)->Name, "DB 5.A");
    EXPECT_NE(Merged().find("-File access error\r\n\r\n" + asc + "\r\n"), std::string::npos) << Merged();
}

// A component folder that cannot be written (a regular file stands in its place): the
// partial message files cannot be created, GetVariables returns false and changes
// neither Variables nor MessengerFile. Once the folder is back, the next import works and
// the merged file keeps everything that earlier imports wrote into it.
TEST_F(FaultInjection, AnUnwritableComponentFolderFailsTheImportAndLosesNothingOfTheMergedFile) {
    const std::string asc = Source("Plant.ASC", symbols + SymbolLine("Motor_On", "M", "5.0", "BOOL") + "\r\n");
    ASSERT_TRUE(Import({asc}));
    ASSERT_EQ(driver.MessengerFile, "Messenger.Msg");
    const std::string before = Merged();
    ASSERT_NE(before.find("Motor_On"), std::string::npos) << "the same-name report of the first import";

    fs::remove_all(layout.component);
    WriteFile(layout.component, "a file where the component folder belongs");
    driver.MessengerFile = "kept";
    VariableList* variables = driver.Variables.get();
    EXPECT_FALSE(Import({asc}));
    EXPECT_EQ(driver.MessengerFile, "kept");
    EXPECT_EQ(driver.Variables.get(), variables);
    EXPECT_EQ(driver.Variables->Count(), 2u);
    EXPECT_EQ(Merged(), before);

    fs::remove(layout.component);
    fs::create_directories(layout.component);
    EXPECT_TRUE(Import({asc}));
    EXPECT_EQ(driver.MessengerFile, "Messenger.Msg");
    const std::string after = Merged();
    EXPECT_EQ(after.substr(0, before.size()), before);
    EXPECT_GT(after.size(), before.size()) << "the second import's clashes are appended";
    EXPECT_EQ(driver.Variables->Count(), 2u) << "every symbol of the third import clashes with the first";
}

// The merged message file cannot be written (a folder occupies its name): the variables
// are imported, but the merge fails, so GetVariables returns false and MessengerFile is
// not set; the partial files keep their reports for the user to find.
TEST_F(FaultInjection, AnUnwritableMergedFileFailsTheImportAndKeepsThePartialFiles) {
    fs::create_directories(layout.merged);
    const std::string asc = Source("Plant.ASC", symbols + SymbolLine("Motor_On", "M", "5.0", "BOOL") + "\r\n");
    EXPECT_FALSE(Import({asc}));
    EXPECT_EQ(driver.MessengerFile, "");
    EXPECT_EQ(driver.Variables->Count(), 2u);
    EXPECT_TRUE(fs::is_directory(layout.merged));
    bool kept = false;
    for (int n = 1; n <= 6; ++n)
        if (fs::exists(layout.PartialFile(n)) && ReadFile(layout.PartialFile(n)).find("Motor_On") != std::string::npos)
            kept = true;
    EXPECT_TRUE(kept) << "the same-name report stays in its partial file";

    fs::remove(layout.merged);
    EXPECT_TRUE(Import({asc}));
    EXPECT_EQ(driver.MessengerFile, "Messenger.Msg");
}

}  // namespace
}  // namespace tessaro
