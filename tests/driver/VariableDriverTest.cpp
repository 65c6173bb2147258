// The driver as hosts hold it: items that are no data source, Variables set to nothing,
// a host's own list, a host changing the list while the import yields, and teardown.

#include "TestSupport.h"
#include "driver/ImportContext.h"
#include "messages/MessengerClock.h"

#include <tessaro/Platform.h>
#include <tessaro/RuntimeError.h>
#include <tessaro/VariableDriver.h>

#include <gtest/gtest.h>

#include <filesystem>
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

// A failed import keeps its reason for the host; the next one forgets it.
TEST_F(VariableDriverTest, AFailureKeepsItsReasonUntilTheNextImport) {
    std::filesystem::remove(layout.deviceDb);
    auto list = Sources({Source("p.ASC", CrLf({SymbolLine("In", "E", "1", "BYTE")}))});
    EXPECT_FALSE(driver.GetVariables(list));
    EXPECT_EQ(driver.LastFailure.Number, FileNotFound);
    const std::string& why = driver.LastFailure.Description;
    EXPECT_EQ(why.rfind("cannot open the device database " + layout.component + "/../../KorvoDEV.dbr: ", 0), 0u) << why;
    EXPECT_NE(why.find("No such file or directory"), std::string::npos) << why;
    test::WriteSqliteDatabase(layout.deviceDb, SampleDeviceDbSql());
    EXPECT_TRUE(driver.GetVariables(list));
    EXPECT_EQ(driver.LastFailure.Number, 0);
    EXPECT_EQ(driver.LastFailure.Description, "");
    EXPECT_EQ(driver.ReportCounts, (std::array<size_t, 7>{}));

    std::filesystem::remove_all(layout.component);
    test::WriteFile(layout.component, "a file where the folder should be");
    EXPECT_FALSE(driver.GetVariables(list));
    EXPECT_EQ(driver.LastFailure.Number, PathFileAccessError);
    EXPECT_EQ(why.rfind("cannot write the message files in " + layout.component + ": ", 0), 0u) << why;
}

// The reports counted by kind (group lines not counted): the UDT pre-pass, the symbol
// tables and the data blocks each report a missing file.
TEST_F(VariableDriverTest, ReportCountsFollowThePasses) {
    auto list = Sources({sources / "x.AWL", sources / "y.ASC"});
    ASSERT_TRUE(driver.GetVariables(list));
    EXPECT_EQ(driver.ReportCounts, (std::array<size_t, 7>{0, 0, 0, 3, 0, 0, 0}));
}

TEST_F(VariableDriverTest, ItemsThatAreNoDataSourceFail) {
    auto list = Sources({Source("p.ASC", CrLf({SymbolLine("In", "E", "1", "BYTE")}))});
    list.Add(nullptr);
    EXPECT_FALSE(driver.GetVariables(list));
    // The failure met the pre-pass, before any symbol table was read.
    EXPECT_EQ(driver.Variables->Count(), 0u);
}

// A failed import leaves its message log and device database to the thread until the
// next import replaces them; a completed one releases both.
TEST_F(VariableDriverTest, AFailedImportKeepsItsSharedObjectsUntilTheNextImport) {
    const std::string asc = Source("p.ASC", CrLf({SymbolLine("In", "E", "1", "BYTE")}));
    auto failing = Sources({asc});
    failing.Add(nullptr);  // fails in the pre-pass, after both were opened
    ASSERT_FALSE(driver.GetVariables(failing));
    const std::weak_ptr<Messenger> log = CurrentImport().SharedMessenger;
    const std::weak_ptr<DeviceDBService> db = CurrentImport().DeviceDB;
    EXPECT_FALSE(log.expired());
    EXPECT_FALSE(db.expired());

    auto list = Sources({asc});
    ASSERT_TRUE(driver.GetVariables(list));
    EXPECT_TRUE(log.expired());
    EXPECT_TRUE(db.expired());
    EXPECT_EQ(CurrentImport().SharedMessenger, nullptr);
    EXPECT_EQ(CurrentImport().DeviceDB, nullptr);
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

}  // namespace
}  // namespace tessaro
