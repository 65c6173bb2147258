// GetVariables end to end, in temporary component folders.

#include "TestSupport.h"
#include "devicedb/DeviceDBService.h"
#include "messages/MessengerClock.h"
#include "messages/SharedMessenger.h"

#include <tessaro/Platform.h>
#include <tessaro/RuntimeError.h>
#include <tessaro/VariableDriver.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>
#include <vector>

namespace tessaro {
namespace {

using test::ComponentLayout;
using test::CrLf;
using test::Sources;
using test::SymbolLine;
using test::TempDir;
using test::WriteFile;

// The bundled sample device database: device 1 takes everything, device 2 has no markers.
std::string SampleDeviceDbSql() { return test::ReadFile(std::string(TESSARO_SOURCE_DIR) + "/samples/devicedb.sql"); }

// A data block with one value line.
std::string Block(int number, const std::string& line) {
    return CrLf({"DATA_BLOCK DB " + std::to_string(number), "BEGIN", "   " + line, "END_DATA_BLOCK"});
}

std::vector<std::string> Names(const VariableList& variables) {
    std::vector<std::string> names;
    for (const auto& v : variables) names.push_back(v->Name + "@" + v->SectionName);
    return names;
}

class VariableDriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::FixMessengerTime(2026, 1, 31, 23, 5, 9);
        driver.DeviceCodeId = 1;  // the sample's first device: takes everything
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
    VariableDriver driver;
    std::string Source(const std::string& name, const std::string& content) {
        WriteFile(sources / name, content);
        return sources / name;
    }
};

TEST_F(VariableDriverTest, SymbolTablesFirstThenDataBlocksEachInCollectionOrder) {
    const std::string b = Source("b.ASC", CrLf({SymbolLine("Pump", "A", "1", "BOOL"), SymbolLine("Horn", "A", "2", "BOOL")}));
    const std::string a = Source("a.awl", Block(1, "Speed := 5;"));
    const std::string d = Source("d.AWL", Block(2, "Level := 7;"));
    const std::string c = Source("c.asc", CrLf({SymbolLine("pump", "M", "3", "BYTE"), SymbolLine("Lamp", "A", "4", "BOOL")}));
    auto list = Sources({a, b, d, c});
    ASSERT_TRUE(driver.GetVariables(list));
    EXPECT_EQ(Names(*driver.Variables),
              (std::vector<std::string>{"Pump@b.ASC (Symbol file)", "Horn@b.ASC (Symbol file)",
                                        "Lamp@c.asc (Symbol file)", "DB 1.Speed@DB 1", "DB 2.Level@DB 2"}));
}

TEST_F(VariableDriverTest, FileErrorsFollowThePasses) {
    const std::string x = sources / "x.AWL", y = sources / "y.ASC", z = sources / "z.awl", w = sources / "w.asc";
    auto list = Sources({x, y, z, w});
    ASSERT_TRUE(driver.GetVariables(list));
    EXPECT_EQ(driver.MessengerFile, "Messenger.Msg");
    // The UDT pre-pass over the data-block sources, then the symbol tables, then the
    // data-block sources again, each pass in the order of the collection.
    EXPECT_EQ(FileErrors(), (std::vector<std::string>{x, z, y, w, x, z}));
    // The reports counted by kind: six file errors, nothing else.
    EXPECT_EQ(driver.ReportCounts, (std::array<size_t, 7>{0, 0, 0, 6, 0, 0, 0}));
}

TEST_F(VariableDriverTest, TheLastFourCharactersChooseTheImporter) {
    std::vector<std::string> ids;
    for (const auto& [file, symbol] : std::vector<std::pair<std::string, std::string>>{
             {"lower.asc", "Lower"}, {"mixed.Asc", "Mixed"}, {"blank.ASC ", "Blank"},
             {"text.txt", "Text"}, {"ASC", "Bare"}, {"dot.ASC.bak", "Backup"}})
        ids.push_back(Source(file, CrLf({SymbolLine(symbol, "M", std::to_string(ids.size() + 1), "BYTE")})));
    ids.push_back(sources / "missing.txt");
    ids.push_back(".asc");
    auto list = Sources(ids);
    ASSERT_TRUE(driver.GetVariables(list));
    EXPECT_EQ(Names(*driver.Variables),
              (std::vector<std::string>{"Lower@lower.asc (Symbol file)", "Mixed@mixed.Asc (Symbol file)"}));
    // ".asc" alone is a symbol table whose file is missing; the others were never opened.
    EXPECT_EQ(FileErrors(), (std::vector<std::string>{".asc"}));
}

TEST_F(VariableDriverTest, DeviceIdAndDeviceCodeReachEveryVariable) {
    auto list = Sources({Source("p.ASC", CrLf({SymbolLine("In", "E", "1", "BYTE"), SymbolLine("Flag", "M", "2", "BYTE")}))});
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
    auto list = Sources({Source("p.ASC", CrLf({SymbolLine("In", "E", "1", "BYTE")}))});
    driver.MessengerFile = "Earlier.Msg";
    EXPECT_FALSE(driver.GetVariables(list));
    EXPECT_EQ(driver.MessengerFile, "Earlier.Msg");
    EXPECT_EQ(driver.Variables->Count(), 0u);
    EXPECT_TRUE(std::filesystem::exists(layout.PartialFile(1)));  // not merged
    // Why, for the host to read.
    EXPECT_EQ(driver.LastFailure.Number, FileNotFound);
    const std::string& why = driver.LastFailure.Description;
    EXPECT_EQ(why.rfind("cannot open the device database " + layout.component + "/../../KorvoDEV.dbr: ", 0), 0u) << why;
    EXPECT_NE(why.find("No such file or directory"), std::string::npos) << why;
    // Left in place for the next import to replace.
    EXPECT_NE(SharedMessenger, nullptr);
    // The next import, with the database back, runs normally and forgets the failure.
    test::WriteSqliteDatabase(layout.deviceDb, SampleDeviceDbSql());
    EXPECT_TRUE(driver.GetVariables(list));
    EXPECT_EQ(driver.Variables->Count(), 1u);
    EXPECT_EQ(driver.LastFailure.Number, 0);
    EXPECT_EQ(driver.LastFailure.Description, "");
}

TEST_F(VariableDriverTest, AFolderThatCannotBeWrittenFailsWithItsReason) {
    std::filesystem::remove_all(layout.component);
        test::WriteFile(layout.component, "a file where the folder should be");
    auto list = Sources({});
    EXPECT_FALSE(driver.GetVariables(list));
    EXPECT_EQ(driver.LastFailure.Number, PathFileAccessError);
    const std::string& why = driver.LastFailure.Description;
    EXPECT_EQ(why.rfind("cannot write the message files in " + layout.component + ": ", 0), 0u) << why;
    EXPECT_NE(why.find("Not a directory"), std::string::npos) << why;
}

TEST_F(VariableDriverTest, ItemsThatAreNoDataSourceFail) {
    auto list = Sources({Source("p.ASC", CrLf({SymbolLine("In", "E", "1", "BYTE")}))});
    list.Add(nullptr);
    EXPECT_FALSE(driver.GetVariables(list));
    // The failure met the pre-pass, before any symbol table was read.
    EXPECT_EQ(driver.Variables->Count(), 0u);
}

TEST_F(VariableDriverTest, WithoutVariablesEveryFileEndsInAFileError) {
    // Every addition fails with 91, which is no same-name clash: each file that reaches
    // Variables is reported once and the import runs to its end.
    const std::string asc = Source("p.ASC", CrLf({SymbolLine("In", "E", "1", "BYTE"), SymbolLine("Out", "A", "1", "BYTE")}));
    const std::string awl = Source("b.AWL", Block(1, "Speed := 5;"));
    auto list = Sources({awl, asc});
    driver.Variables.reset();
    ASSERT_TRUE(driver.GetVariables(list));
    EXPECT_EQ(FileErrors(), (std::vector<std::string>{asc, awl}));
}

// A host's own list that, like one reached through automation, cannot tell whether it
// changed: the data-block importer must walk it again for every block header.
class HostList final : public VariableList {
public:
    size_t Count() const override { return items.Count(); }
    void AddFolded(VariablePtr variable, std::string foldedKey) override { items.AddFolded(std::move(variable), std::move(foldedKey)); }
    VariablePtr Item(size_t position) const override { return items.Item(position); }
    VariablePtr Item(std::string_view key) const override { return items.Item(key); }
    void Remove(std::string_view key) override { items.Remove(key); }
    void Remove(size_t position) override { items.Remove(position); }
    void ForEach(const std::function<bool(const VariablePtr&)>& visit) const override {
        ++walks;
        items.ForEach(visit);
    }
    uint64_t Version() const override { return ++asked; }
    VariableCollection items;
    mutable uint64_t asked = 0;
    mutable int walks = 0;
};

TEST_F(VariableDriverTest, AHostListGetsWhatTheOwnCollectionGets) {
    const std::string root = std::string(TESSARO_SOURCE_DIR) + "/samples/plant/";
    auto list = Sources({root + "Plant.AWL", root + "Plant.ASC"});
    auto import = [&](std::shared_ptr<VariableList> variables) {
        std::filesystem::remove(layout.merged);
        VariableDriver importer;
        importer.DeviceCodeId = 1;
        importer.DeviceId = 7;
        importer.Variables = variables;
        EXPECT_TRUE(importer.GetVariables(list));
        std::vector<std::string> rows;
        for (const VariablePtr& v : *variables) rows.push_back(test::RecordLine(*v));
        return std::make_pair(rows, test::ReadFile(layout.merged));
    };
    auto own = import(std::make_shared<VariableCollection>());
    auto host = std::make_shared<HostList>();
    auto hosts = import(host);
    ASSERT_GT(own.first.size(), 10u);
    EXPECT_EQ(hosts.first, own.first);
    EXPECT_EQ(hosts.second, own.second);
    EXPECT_GT(host->walks, 1);  // walked again at a later block header
    EXPECT_EQ(host->Count(), 0u);  // emptied with its driver
}

TEST_F(VariableDriverTest, TheHostMayChangeVariablesWhileTheImportYields) {
    // While the data blocks are read, the host removes the symbol of DB 2 and adds another
    // one for it: the second header must find and remove that one.
    struct Host {
        VariableDriver driver;
        VariablePtr other;
        bool changed = false;
    } host;
    auto symbol = [](const std::string& name, int32_t number) {
        auto v = std::make_shared<Variable>();
        v->Name = name;
        v->TagAttribute = "DB";
        v->SectionName = "s.ASC (Symbol file)";
        v->FieldAdd1 = number;
        return v;
    };
    host.driver.DeviceCodeId = 1;
    host.driver.Variables->Add(symbol("Blk1", 1), "_Blk1_0");
    host.driver.Variables->Add(symbol("Blk2", 2), "_Blk2_0");
    host.other = symbol("Other", 2);
    SetYieldHook(
        [](void* context) {
            auto& h = *static_cast<Host*>(context);
            VariableList& variables = *h.driver.Variables;
            if (h.changed || variables.Count() != 2 || variables.Item(2)->Name != "DB 1.A") return;
            variables.Remove("_Blk2_0");
            variables.Add(h.other, "_Other_0");
            h.changed = true;
        },
        &host);
    auto list = Sources({Source("b.AWL", Block(1, "A := 5;") + Block(2, "B := 6;"))});
    const bool ok = host.driver.GetVariables(list);
    SetYieldHook(nullptr, nullptr);
    ASSERT_TRUE(ok);
    EXPECT_TRUE(host.changed);
    EXPECT_EQ(Names(*host.driver.Variables), (std::vector<std::string>{"DB 1.A@DB 1", "DB 2.B@DB 2"}));
    EXPECT_EQ(FileErrors(), std::vector<std::string>{});
}

TEST_F(VariableDriverTest, DestructionEmptiesVariablesButTheRecordsLiveOn) {
    auto list = Sources({Source("p.ASC", CrLf({SymbolLine("In", "E", "1", "BYTE"), SymbolLine("Out", "A", "1", "BYTE")}))});
    std::shared_ptr<VariableList> held;
    VariablePtr record;
    {
        VariableDriver scoped;
        scoped.DeviceCodeId = 1;
        ASSERT_TRUE(scoped.GetVariables(list));
        held = scoped.Variables;
        record = held->Item(2);
    }
    EXPECT_EQ(held->Count(), 0u);
    EXPECT_THROW(held->Item(std::string_view("_Out_0")), RuntimeError);
    EXPECT_EQ(record->Name, "Out");
}

TEST_F(VariableDriverTest, ImportsOnTwoThreadsKeepTheirOwnSharedObjects) {
    auto importOnThread = [](int32_t deviceCode, std::vector<std::string>& names, bool& ok) {
        ComponentLayout own{SampleDeviceDbSql()};
        TempDir dir;
        std::vector<std::string> lines;
        for (int i = 0; i < 2000; ++i) lines.push_back(SymbolLine("V" + std::to_string(i), "E", std::to_string(i), "BYTE"));
        WriteFile(dir / "t.ASC", CrLf(lines));
        VariableDriver threadDriver;
        threadDriver.DeviceCodeId = deviceCode;
        auto list = Sources({dir / "t.ASC"});
        ok = threadDriver.GetVariables(list);
        for (const auto& v : *threadDriver.Variables) names.push_back(std::to_string(v->DataAreaId));
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
