// GetVariables end to end, in temporary component folders.

#include "TestSupport.h"
#include "devicedb/DeviceDBService.h"
#include "messages/MessengerClock.h"
#include "messages/SharedMessenger.h"

#include <tessaro/VariableDriver.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <thread>
#include <vector>

namespace tessaro {
namespace {

using test::ComponentLayout;
using test::TempDir;
using test::WriteFile;

// A symbol line: columns 1-4, symbol 5-28, area 29-31, 32, address 33-39, type 40-47.
std::string SymbolLine(std::string symbol, std::string area, std::string address, std::string type) {
    symbol.resize(24, ' ');
    area.resize(3, ' ');
    address.resize(7, ' ');
    type.resize(8, ' ');
    return "126," + symbol + area + " " + address + type + "\r\n";
}

// The bundled sample device database: device 1 takes everything, device 2 has no markers.
std::string SampleDeviceDbSql() { return test::ReadFile(std::string(TESSARO_SOURCE_DIR) + "/samples/devicedb.sql"); }

DataSourceCollection Sources(const std::vector<std::string>& sourceIds) {
    DataSourceCollection sources;
    for (const auto& id : sourceIds) sources.Add(std::make_shared<DataSource>(DataSource{id}));
    return sources;
}

std::vector<std::string> Names(const VariableCollection& variables) {
    std::vector<std::string> names;
    for (const auto& v : variables) names.push_back(v->Name + "@" + v->SectionName);
    return names;
}

class VariableDriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::tm time{};
        time.tm_year = 2026 - 1900;
        time.tm_mon = 0;
        time.tm_mday = 31;
        time.tm_hour = 23;
        time.tm_min = 5;
        time.tm_sec = 9;
        SetThreadMessengerTime(time);
    }
    void TearDown() override { SetThreadMessengerTime(std::nullopt); }
    // The file-access-error lines of the merged message file, in their order.
    std::vector<std::string> FileErrors() {
        std::vector<std::string> lines;
        if (!std::filesystem::exists(layout.merged)) return lines;
        const std::string text = test::ReadFile(layout.merged);
        const std::string title = "-File access error\r\n\r\n";
        size_t at = text.find(title);
        if (at == std::string::npos) return lines;
        at += title.size();
        for (size_t end; (end = text.find("\r\n\r\n", at)) != std::string::npos && text[at] != '-'; at = end + 4)
            lines.push_back(text.substr(at, end - at));
        return lines;
    }
    ComponentLayout layout{SampleDeviceDbSql()};
    TempDir sources;
    std::string Source(const std::string& name, const std::string& content) {
        WriteFile(sources / name, content);
        return sources / name;
    }
};

TEST_F(VariableDriverTest, SymbolTablesFirstThenDataBlocksEachInCollectionOrder) {
    const std::string b = Source("b.ASC", SymbolLine("Pump", "A", "1", "BOOL") + SymbolLine("Horn", "A", "2", "BOOL"));
    const std::string a = Source("a.awl", "DATA_BLOCK DB 1\r\nBEGIN\r\n   Speed := 5;\r\nEND_DATA_BLOCK\r\n");
    const std::string d = Source("d.AWL", "DATA_BLOCK DB 2\r\nBEGIN\r\n   Level := 7;\r\nEND_DATA_BLOCK\r\n");
    const std::string c = Source("c.asc", SymbolLine("pump", "M", "3", "BYTE") + SymbolLine("Lamp", "A", "4", "BOOL"));
    VariableDriver driver;
    driver.DeviceCodeId = 1;
    auto list = Sources({a, b, d, c});
    ASSERT_TRUE(driver.GetVariables(list));
    EXPECT_EQ(Names(*driver.Variables),
              (std::vector<std::string>{"Pump@b.ASC (Symbol file)", "Horn@b.ASC (Symbol file)",
                                        "Lamp@c.asc (Symbol file)", "DB 1.Speed@DB 1", "DB 2.Level@DB 2"}));
}

TEST_F(VariableDriverTest, FileErrorsFollowThePasses) {
    const std::string x = sources / "x.AWL", y = sources / "y.ASC", z = sources / "z.awl", w = sources / "w.asc";
    auto list = Sources({x, y, z, w});
    VariableDriver driver;
    driver.DeviceCodeId = 1;
    ASSERT_TRUE(driver.GetVariables(list));
    EXPECT_EQ(driver.MessengerFile, "Messenger.Msg");
    // The UDT pre-pass over the data-block sources, then the symbol tables, then the
    // data-block sources again, each pass in the order of the collection.
    EXPECT_EQ(FileErrors(), (std::vector<std::string>{x, z, y, w, x, z}));
}

TEST_F(VariableDriverTest, TheLastFourCharactersChooseTheImporter) {
    const std::string line = SymbolLine("X", "M", "1", "BYTE");
    auto list = Sources({
        Source("lower.asc", SymbolLine("Lower", "M", "1", "BYTE")),
        Source("mixed.Asc", SymbolLine("Mixed", "M", "2", "BYTE")),
        Source("blank.ASC ", SymbolLine("Blank", "M", "3", "BYTE")),
        Source("text.txt", SymbolLine("Text", "M", "4", "BYTE")),
        Source("ASC", SymbolLine("Bare", "M", "5", "BYTE")),
        Source("dot.ASC.bak", SymbolLine("Backup", "M", "6", "BYTE")),
        sources / "missing.txt",
        ".asc",
    });
    VariableDriver driver;
    driver.DeviceCodeId = 1;
    ASSERT_TRUE(driver.GetVariables(list));
    EXPECT_EQ(Names(*driver.Variables),
              (std::vector<std::string>{"Lower@lower.asc (Symbol file)", "Mixed@mixed.Asc (Symbol file)"}));
    // ".asc" alone is a symbol table whose file is missing; the others were never opened.
    EXPECT_EQ(FileErrors(), (std::vector<std::string>{".asc"}));
}

TEST_F(VariableDriverTest, DeviceIdAndDeviceCodeReachEveryVariable) {
    auto list = Sources({Source("p.ASC", SymbolLine("In", "E", "1", "BYTE") + SymbolLine("Flag", "M", "2", "BYTE"))});
    VariableDriver driver;
    driver.DeviceId = 42;
    driver.DeviceCodeId = 2;  // the sample's second device: no markers
    ASSERT_TRUE(driver.GetVariables(list));
    ASSERT_EQ(driver.Variables->Count(), 1u);
    const Variable& in = *driver.Variables->Item("_in_42");
    EXPECT_EQ(in.DeviceId, 42);
    EXPECT_EQ(in.DataAreaId, 103);
    EXPECT_EQ(in.DataTypeId, 1031);
}

TEST_F(VariableDriverTest, AnEmptyCollectionStillRunsEveryStep) {
    VariableDriver driver;
    driver.DeviceCodeId = 1;
    auto kept = std::make_shared<Variable>();
    kept->Name = "Kept";
    driver.Variables->Add(kept, "_Kept_0");
    driver.MessengerFile = "Earlier.Msg";
    DataSourceCollection none;
    ASSERT_TRUE(driver.GetVariables(none));
    // Nothing was reported: the merged file was made empty and deleted again.
    EXPECT_EQ(driver.MessengerFile, "Earlier.Msg");
    EXPECT_FALSE(std::filesystem::exists(layout.merged));
    EXPECT_EQ(driver.Variables->Count(), 1u);
    EXPECT_EQ(driver.Variables->Item(1), kept);
    EXPECT_EQ(DeviceDB, nullptr);        // opened and closed again
    EXPECT_EQ(SharedMessenger, nullptr);  // released after the merge
    for (int i = 1; i <= 6; ++i) EXPECT_FALSE(std::filesystem::exists(layout.PartialFile(i))) << i;
}

TEST_F(VariableDriverTest, AMissingDatabaseFailsAndKeepsMessengerFile) {
    std::filesystem::remove(layout.deviceDb);
    auto list = Sources({Source("p.ASC", SymbolLine("In", "E", "1", "BYTE"))});
    VariableDriver driver;
    driver.DeviceCodeId = 1;
    driver.MessengerFile = "Earlier.Msg";
    EXPECT_FALSE(driver.GetVariables(list));
    EXPECT_EQ(driver.MessengerFile, "Earlier.Msg");
    EXPECT_EQ(driver.Variables->Count(), 0u);
    EXPECT_TRUE(std::filesystem::exists(layout.PartialFile(1)));  // not merged
    // Left in place for the next import to replace.
    EXPECT_NE(SharedMessenger, nullptr);
    // The next import, with the database back, runs normally.
    test::WriteSqliteDatabase(layout.deviceDb, SampleDeviceDbSql());
    EXPECT_TRUE(driver.GetVariables(list));
    EXPECT_EQ(driver.Variables->Count(), 1u);
}

TEST_F(VariableDriverTest, ItemsThatAreNoDataSourceFail) {
    DataSourceCollection list;
    list.Add(std::make_shared<DataSource>(DataSource{Source("p.ASC", SymbolLine("In", "E", "1", "BYTE"))}));
    list.Add(nullptr);
    VariableDriver driver;
    driver.DeviceCodeId = 1;
    EXPECT_FALSE(driver.GetVariables(list));
    // The failure met the pre-pass, before any symbol table was read.
    EXPECT_EQ(driver.Variables->Count(), 0u);
    // Without a collection to fill, the first importer fails the import.
    driver.Variables.reset();
    auto one = Sources({sources / "p.ASC"});
    EXPECT_FALSE(driver.GetVariables(one));
}

TEST_F(VariableDriverTest, ASecondImportAppendsAndClashesWithEveryVariable) {
    const std::string p = Source("p.ASC", SymbolLine("In", "E", "1", "BYTE") + SymbolLine("Out", "A", "1", "BYTE"));
    auto list = Sources({p});
    VariableDriver driver;
    driver.DeviceCodeId = 1;
    driver.DeviceName = "Press 1";
    ASSERT_TRUE(driver.GetVariables(list));
    EXPECT_EQ(driver.MessengerFile, "");  // nothing to report the first time
    const VariablePtr first = driver.Variables->Item(1);
    ASSERT_TRUE(driver.GetVariables(list));
    ASSERT_EQ(driver.Variables->Count(), 2u);
    EXPECT_EQ(driver.Variables->Item(1), first);  // the first one stays, not replaced
    EXPECT_EQ(driver.MessengerFile, "Messenger.Msg");
    EXPECT_EQ(test::ReadFile(layout.merged),
              "\r\n--Press 1--01-31-26 23.05.09\r\n\r\n\r\n"
              "-A variable with the same name has been found so this cannot be imported\r\n\r\n"
              "In " + p + "\r\n\r\nOut " + p + "\r\n\r\n");
}

TEST_F(VariableDriverTest, AHostCollectionIsFilledInstead) {
    auto list = Sources({Source("p.ASC", SymbolLine("In", "E", "1", "BYTE"))});
    VariableDriver driver;
    driver.DeviceCodeId = 1;
    auto mine = std::make_shared<VariableCollection>();
    auto own = driver.Variables;
    driver.Variables = mine;
    ASSERT_TRUE(driver.GetVariables(list));
    EXPECT_EQ(mine->Count(), 1u);
    EXPECT_EQ(own->Count(), 0u);
}

TEST_F(VariableDriverTest, DestructionEmptiesVariablesButTheRecordsLiveOn) {
    auto list = Sources({Source("p.ASC", SymbolLine("In", "E", "1", "BYTE") + SymbolLine("Out", "A", "1", "BYTE"))});
    std::shared_ptr<VariableCollection> held;
    VariablePtr record;
    {
        VariableDriver driver;
        driver.DeviceCodeId = 1;
        ASSERT_TRUE(driver.GetVariables(list));
        held = driver.Variables;
        record = held->Item(2);
    }
    EXPECT_EQ(held->Count(), 0u);
    EXPECT_FALSE(held->Contains("_Out_0"));
    EXPECT_EQ(record->Name, "Out");
}

TEST_F(VariableDriverTest, ImportsOnTwoThreadsKeepTheirOwnSharedObjects) {
    auto importOnThread = [](int32_t deviceCode, std::vector<std::string>& names, bool& ok) {
        ComponentLayout own{SampleDeviceDbSql()};
        TempDir dir;
        std::string lines;
        for (int i = 0; i < 2000; ++i) lines += SymbolLine("V" + std::to_string(i), "E", std::to_string(i), "BYTE");
        WriteFile(dir / "t.ASC", lines);
        VariableDriver driver;
        driver.DeviceCodeId = deviceCode;
        auto list = Sources({dir / "t.ASC"});
        ok = driver.GetVariables(list);
        for (const auto& v : *driver.Variables) names.push_back(std::to_string(v->DataAreaId));
    };
    std::vector<std::string> one, two;
    bool ok1 = false, ok2 = false;
    std::thread t1(importOnThread, 1, std::ref(one), std::ref(ok1));
    std::thread t2(importOnThread, 2, std::ref(two), std::ref(ok2));
    t1.join();
    t2.join();
    EXPECT_TRUE(ok1);
    EXPECT_TRUE(ok2);
    EXPECT_EQ(one, std::vector<std::string>(2000, "3"));
    EXPECT_EQ(two, std::vector<std::string>(2000, "103"));
}

}  // namespace
}  // namespace tessaro
