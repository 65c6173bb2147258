// Faults from outside the component, injected into whole imports: what the user gets
// back in each case is the return value of GetVariables, the variables kept, and the
// reports in the merged message file. CI runs as root, so permission bits stop nothing:
// an unwritable or unreadable place is made by putting a regular file where a folder is
// expected, or a folder where a file is expected.

#include "TestSupport.h"

#include <tessaro/RuntimeError.h>
#include <tessaro/VariableDriver.h>

#include <gtest/gtest.h>

namespace tessaro::test {
namespace {

namespace fs = std::filesystem;

void MakeFolder(const std::string& path) {
    fs::remove_all(path);
    fs::create_directory(path);
}

class FaultInjection : public ::testing::Test {
protected:
    void SetUp() override { driver.DeviceCodeId = 1; }
    std::string Source(const std::string& name, const std::string& content) {
        WriteFile(layout.root / name, content);
        return layout.root / name;
    }
    bool Import(const std::vector<std::string>& files) {
        auto list = Sources(files);
        return driver.GetVariables(list);
    }
    ComponentLayout layout;
    VariableDriver driver;
    const std::string symbols = CrLf({SymbolLine("Motor_On", "M", "1.0", "BOOL"), SymbolLine("Speed", "MW", "2", "INT")});
    const std::string clash = symbols + SymbolLine("Motor_On", "M", "5.0", "BOOL") + "\r\n";
    const std::string blocks =
        CrLf({"DATA_BLOCK DB 5", "  STRUCT", "   A : INT ;", "  END_STRUCT ;", "BEGIN", "   A := 7;", "END_DATA_BLOCK"});
};

// A source that turns unreadable between the passes (a folder takes its place): the one
// pass still to read it reports one file access error naming it, the other source is
// imported all the same, and GetVariables returns true. A data-block source without type
// definitions yields once in the pre-pass; the symbol table once per line.
TEST_F(FaultInjection, ASourceLostBetweenThePassesIsAFileErrorAndTheImportGoesOn) {
    struct Case { const char* lost; int atYield; std::vector<std::string> kept; } cases[] = {
        {"Blocks.AWL", 2, {"Motor_On", "Speed"}},  // after the pre-pass, at the first line of the symbol table
        {"Plant.ASC", 1, {"DB 5.A"}},              // during the pre-pass
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lost);
        ComponentLayout own;  // a fresh one: the lost source stays a folder
        const std::string awl = own.root / "Blocks.AWL", asc = own.root / "Plant.ASC", lost = own.root / c.lost;
        WriteFile(awl, blocks);
        WriteFile(asc, symbols);
        YieldAction loser([&](int count) {
            if (count == c.atYield) MakeFolder(lost);
        });
        VariableDriver fresh;
        fresh.DeviceCodeId = 1;
        auto list = Sources({awl, asc});
        EXPECT_TRUE(fresh.GetVariables(list));
        std::vector<std::string> names;
        for (const auto& v : *fresh.Variables) names.push_back(v->Name);
        EXPECT_EQ(names, c.kept);
        EXPECT_EQ(fresh.ReportCounts[3], 1u);
        EXPECT_NE(own.Merged().find("-File access error\r\n\r\n" + lost + "\r\n"), std::string::npos) << own.Merged();
    }
}

// A component folder that cannot be written (a regular file stands in its place): the
// partial message files cannot be created, GetVariables returns false, keeps the reason
// for the host and changes neither Variables nor MessengerFile. Once the folder is back,
// the next import works, forgets the reason, and the merged file keeps everything that
// earlier imports wrote into it.
TEST_F(FaultInjection, AnUnwritableComponentFolderFailsTheImportAndLosesNothingOfTheMergedFile) {
    const std::string asc = Source("Plant.ASC", clash);
    ASSERT_TRUE(Import({asc}));
    const std::string before = layout.Merged();
    ASSERT_NE(before.find("Motor_On"), std::string::npos) << "the same-name report of the first import";

    fs::remove_all(layout.component);
    WriteFile(layout.component, "a file where the component folder belongs");
    driver.MessengerFile = "kept";
    VariableList* variables = driver.Variables.get();
    EXPECT_FALSE(Import({asc}));
    EXPECT_EQ(driver.LastFailure.Number, PathFileAccessError);
    EXPECT_TRUE(driver.LastFailure.Description.starts_with("cannot write the message files in " + layout.component + ": "))
        << driver.LastFailure.Description;
    EXPECT_EQ(driver.MessengerFile, "kept");
    EXPECT_EQ(driver.Variables.get(), variables);
    EXPECT_EQ(driver.Variables->Count(), 2u);
    EXPECT_EQ(layout.Merged(), before);

    MakeFolder(layout.component);
    EXPECT_TRUE(Import({asc}));
    EXPECT_EQ(driver.LastFailure.Number, 0);
    EXPECT_EQ(driver.MessengerFile, "Messenger.Msg");
    const std::string after = layout.Merged();
    EXPECT_EQ(after.substr(0, before.size()), before);
    EXPECT_GT(after.size(), before.size()) << "the second import's clashes are appended";
    EXPECT_EQ(driver.Variables->Count(), 2u) << "every symbol of the third import clashes with the first";
}

// The merged message file cannot be written (a folder occupies its name): the variables
// are imported, but the merge fails, so GetVariables returns false and MessengerFile is
// not set; the partial files keep their reports for the user to find.
TEST_F(FaultInjection, AnUnwritableMergedFileFailsTheImportAndKeepsThePartialFiles) {
    fs::create_directories(layout.merged);
    const std::string asc = Source("Plant.ASC", clash);
    EXPECT_FALSE(Import({asc}));
    EXPECT_EQ(driver.MessengerFile, "");
    EXPECT_EQ(driver.Variables->Count(), 2u);
    EXPECT_TRUE(fs::is_directory(layout.merged));
    EXPECT_NE(ReadFile(layout.component + "/2.Msg").find("Motor_On"), std::string::npos)
        << "the same-name report stays in its partial file";

    fs::remove(layout.merged);
    EXPECT_TRUE(Import({asc}));
    EXPECT_EQ(driver.MessengerFile, "Messenger.Msg");
}

// A device database that is missing or damaged. What the user gets depends on when the
// damage shows: a file that cannot be opened as a device database at all ends the
// import at its start (GetVariables false, nothing imported, MessengerFile unchanged);
// one that opens but cannot answer a lookup fails each source on its first lookup, which
// its importer reports as a file access error (GetVariables true, nothing imported).
TEST_F(FaultInjection, EveryDamageOfTheDeviceDatabaseEndsInFalseOrInFileErrorsNeverInACrash) {
    const std::string good = ReadFile(TESSARO_SAMPLE_DB);
    ASSERT_GT(good.size(), 4096u);
    // Bytes scrambled from the given offset on: the schema lies on the first page.
    auto scrambled = [&](size_t from) {
        std::string bytes = good;
        for (size_t i = from; i < bytes.size(); i += 7) bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
        return bytes;
    };
    const size_t pageSize = static_cast<size_t>(static_cast<unsigned char>(good[16])) << 8 |
                            static_cast<unsigned char>(good[17]);
    const std::string missing = "(missing)", folder = "(a folder)", noTables = "CREATE TABLE Other (x INTEGER);";
    struct Case { const char* what; std::string bytes; bool result; } cases[] = {
        {"missing", missing, false},
        {"a folder", folder, false},
        {"empty", "", false},
        {"not a database", std::string(5000, '\x7f'), false},
        {"truncated inside the SQLite header", good.substr(0, 10), false},
        {"truncated after the first page", good.substr(0, 1024), false},
        {"scrambled from the schema on", scrambled(100), false},
        {"scrambled after the schema", scrambled(pageSize), true},
        {"SQLite without the tables", noTables, true},
    };
    const std::string asc = Source("Plant.ASC", symbols), awl = Source("Blocks.AWL", blocks);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(layout.deviceDb);
        if (c.bytes == folder) fs::create_directory(layout.deviceDb);
        else if (c.bytes == noTables) WriteSqliteDatabase(layout.deviceDb, noTables);
        else if (c.bytes != missing) WriteFile(layout.deviceDb, c.bytes);
        driver.MessengerFile = "earlier";
        EXPECT_EQ(Import({asc, awl}), c.result);
        EXPECT_EQ(driver.Variables->Count(), 0u);
        // Not opened: MessengerFile unchanged, the reason kept; opened: each source a file access error.
        EXPECT_EQ(driver.MessengerFile, c.result ? "Messenger.Msg" : "earlier");
        EXPECT_EQ(driver.LastFailure.Description.starts_with("cannot open the device database " + layout.component +
                                                             "/../../KorvoDEV.dbr: "), !c.result) << driver.LastFailure.Description;
        EXPECT_EQ(driver.ReportCounts[3], c.result ? 2u : 0u);
    }
}

}  // namespace
}  // namespace tessaro::test
