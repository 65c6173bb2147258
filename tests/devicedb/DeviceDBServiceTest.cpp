#include "devicedb/DeviceDBService.h"
#include "devicedb/SqliteStore.h"
#include "messages/MessengerClock.h"

#include <tessaro/Platform.h>
#include <tessaro/RuntimeError.h>
#include <tessaro/VariableDriver.h>

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace tessaro {
namespace {

using test::ErrorNumberOf;

// The calling pattern of the line records: area first, then the type within the area
// the area lookup left behind.
struct Ids {
    int32_t area, type;
    bool operator==(const Ids&) const = default;
};
Ids Lookup(DeviceDBService& db, const std::string& area, const std::string& type) {
    db.DataAreaId = 0;
    db.FindDataAreaId(area);
    int32_t areaId = db.DataAreaId;
    db.DataTypeId = 0;
    db.FindDataTypeId(type);
    return {areaId, db.DataTypeId};
}

class DeviceDBServiceTest : public testing::Test {
protected:
    DeviceDBService Open(const std::string& sql) {
        test::WriteSqliteDatabase(dir / "KorvoDEV.dbr", sql);
        return DeviceDBService(dir / "KorvoDEV.dbr");
    }
    test::TempDir dir;
};

// The same rows as an SQLite file built from the fixture's SQL, as the fixture's Jet 4
// file, and as that Jet file exported to SQLite: every lookup must answer alike.
enum class Format { Sqlite, Jet, Exported };

std::string JetFixture() {
    if (test::SharedDir().empty()) return {};
    return (test::SharedDir() / "fixtures" / "jet4" / "KorvoDEV.dbr").string();
}

// The device database of the format in dir, or empty when ../shared is absent.
std::string FixtureDatabase(Format format, const test::TempDir& dir) {
    const std::string path = dir / "KorvoDEV.dbr";
    if (format == Format::Sqlite) {
        test::WriteSqliteDatabase(path, test::FixtureDeviceDbSql());
        return path;
    }
    if (JetFixture().empty()) return {};
    if (format == Format::Jet) return JetFixture();
    ExportSqlite(*OpenDeviceDBStore(JetFixture()), path, false);
    return path;
}

class FixtureDevices : public testing::TestWithParam<Format> {
protected:
    std::string DatabasePath() { return FixtureDatabase(GetParam(), dir); }
    test::TempDir dir;
};

INSTANTIATE_TEST_SUITE_P(EveryStore, FixtureDevices, testing::Values(Format::Sqlite, Format::Jet, Format::Exported),
                         [](const auto& param) {
                             return param.param == Format::Sqlite ? "Sqlite" : param.param == Format::Jet ? "Jet"
                                                                                                          : "Exported";
                         });

TEST_P(FixtureDevices, AnswerEveryLookupAlike) {
    std::string path = DatabasePath();
    if (path.empty()) GTEST_SKIP() << "../shared is absent";
    DeviceDBService db(path);
    struct Case {
        int32_t device;
        const char* area;
        const char* type;
        Ids expected;
    } cases[] = {
        {1, "Input", "Byte", {3, 30}},
        {1, "DBW", "Floating point", {1, 13}},
        {1, "  merker ", "word", {2, 21}},          // trimmed and upper-cased on both sides
        {1, "MERKER", "Floating point", {2, 0}},    // a type only of another area
        {2, "DBW", "Word", {101, 1002}},            // the rows read " dbw " and "WORD "
        {2, "Merker", "Byte", {0, 0}},              // no such area: the type is sought in area 0
        {3, "Input", "Byte", {202, 0}},             // an area without any type
        {3, "DBW", "Byte", {0, 0}},
        {0, "Input", "Byte", {0, 0}},               // device 0 disables both lookups
        {1, "", "Byte", {0, 0}},
        {1, "Input", "", {3, 0}},
        {99, "Input", "Byte", {0, 0}},              // a device without rows
    };
    for (const auto& c : cases) {
        db.DeviceId = c.device;
        EXPECT_EQ(Lookup(db, c.area, c.type), c.expected) << c.device << " " << c.area << " " << c.type;
    }
}

TEST_P(FixtureDevices, ListTheirDevices) {
    std::string path = DatabasePath();
    if (path.empty()) GTEST_SKIP() << "../shared is absent";
    EXPECT_EQ(OpenDeviceDBStore(path)->ReadDeviceIds(), (std::vector<int32_t>{1, 2, 3}));
}

// The sample plant imported through GetVariables for device code 1 (the code the fixture
// and the bundled sample share): every record with every property, in order, and the
// merged message file.
struct Imported {
    std::vector<std::string> records;
    std::string merged;
    size_t withArea = 0;  // records with a non-zero DataAreaId
};

Imported ImportSamplePlant(const std::string& database) {
    test::ComponentLayout layout;
    std::filesystem::copy_file(database, layout.deviceDb, std::filesystem::copy_options::overwrite_existing);
    test::FixMessengerTime(2026, 1, 1);
    VariableDriver driver;
    driver.DeviceCodeId = 1;
    driver.DeviceId = 7;
    driver.DeviceName = "Plant";
    const std::string plant = std::string(TESSARO_SOURCE_DIR) + "/samples/plant/";
    DataSourceCollection sources = test::Sources({plant + "Plant.ASC", plant + "Plant.AWL"});
    EXPECT_TRUE(driver.GetVariables(sources));
    SetThreadMessengerTime(std::nullopt);
    Imported imported{{}, test::ReadFile(layout.merged)};
    for (const auto& v : *driver.Variables) {
        imported.withArea += v->DataAreaId != 0;
        imported.records.push_back(test::RecordLine(*v));
    }
    return imported;
}

TEST(SamplePlant, ImportsAlikeWithEveryStore) {
    test::TempDir sqliteDir, jetDir, exportedDir;
    const std::string jet = FixtureDatabase(Format::Jet, jetDir);
    if (jet.empty()) GTEST_SKIP() << "../shared is absent";
    const Imported sqlite = ImportSamplePlant(FixtureDatabase(Format::Sqlite, sqliteDir));
    ASSERT_EQ(sqlite.records.size(), 84u);
    EXPECT_EQ(sqlite.withArea, 84u);
    EXPECT_GT(sqlite.merged.size(), 1000u);
    for (const std::string& other : {jet, FixtureDatabase(Format::Exported, exportedDir)}) {
        const Imported imported = ImportSamplePlant(other);
        EXPECT_EQ(imported.records, sqlite.records) << other;
        EXPECT_EQ(imported.merged, sqlite.merged) << other;
    }
}

// Every row of both tables, in order, with what each identifier converts to and the
// names in the code page; the source's own text is UTF-8.
TEST_F(DeviceDBServiceTest, AnExportKeepsEveryRowAndEveryAnswer) {
    test::WriteSqliteDatabase(dir / "source.dbr", R"(
        CREATE TABLE DeviceDataArea (DeviceId, DeviceDataAreaId, Name);
        CREATE TABLE DeviceDataType (DeviceId, DeviceDataAreaId, DeviceDataTypeId, Name);
        INSERT INTO DeviceDataArea VALUES (2, 9, 'Zähler');
        INSERT INTO DeviceDataArea VALUES (1, NULL, NULL);
        INSERT INTO DeviceDataArea VALUES (NULL, 'x', '');
        INSERT INTO DeviceDataArea VALUES (1, 4294967296, ' dbw ');
        INSERT INTO DeviceDataArea VALUES (1, 2.5, 'DBW');
        INSERT INTO DeviceDataType VALUES (1, 2, 'y', 'Word');
        INSERT INTO DeviceDataType VALUES (1, 2, -7, 'Wörd ');
        INSERT INTO DeviceDataType VALUES (1, NULL, 21, NULL);
    )");
    auto source = OpenDeviceDBStore(dir / "source.dbr");
    ASSERT_EQ(source->ReadDataAreas(2).at(0).Name, "Z\xE4hler");
    ExportCounts counts = ExportSqlite(*source, dir / "new.dbr", false);
    EXPECT_EQ(counts.areas, 5u);
    EXPECT_EQ(counts.types, 3u);
    auto exported = OpenDeviceDBStore(dir / "new.dbr");
    EXPECT_EQ(exported->ReadDataAreas(std::nullopt), source->ReadDataAreas(std::nullopt));
    EXPECT_EQ(exported->ReadDataTypes(std::nullopt), source->ReadDataTypes(std::nullopt));
    EXPECT_EQ(exported->ReadDataAreas(1), source->ReadDataAreas(1));
    EXPECT_EQ(exported->ReadDataTypes(1).size(), 3u);
}

TEST_F(DeviceDBServiceTest, AnExportNeverLeavesAHalfFileNorReplacesUnasked) {
    test::WriteSqliteDatabase(dir / "source.dbr", test::FixtureDeviceDbSql());
    test::WriteSqliteDatabase(dir / "areas.dbr", "CREATE TABLE DeviceDataArea (DeviceId, DeviceDataAreaId, Name);");
    test::WriteFile(dir / "old.dbr", "kept");
    std::filesystem::create_directories(dir.path() / "folder" / "inside");
    auto source = OpenDeviceDBStore(dir / "source.dbr");
    auto areasOnly = OpenDeviceDBStore(dir / "areas.dbr");
    struct Case {
        DeviceDBStore* store;
        std::string target;
        bool replace;
    } cases[] = {
        {source.get(), dir / "old.dbr", false},                 // exists, not replaced
        {areasOnly.get(), dir / "old.dbr", true},               // a source without DeviceDataType
        {source.get(), dir / "missing/new.dbr", true},      // a folder that does not exist
        {source.get(), dir / "folder", true},                   // written, but the rename fails
    };
    for (const auto& c : cases)
        EXPECT_EQ(ErrorNumberOf([&] { ExportSqlite(*c.store, c.target, c.replace); }), PathFileAccessError) << c.target;
    EXPECT_EQ(test::ReadFile(dir / "old.dbr"), "kept");
    ExportSqlite(*source, dir / "old.dbr", true);
    EXPECT_EQ(OpenDeviceDBStore(dir / "old.dbr")->ReadDataTypes(std::nullopt), source->ReadDataTypes(std::nullopt));
    size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) ++files;
    EXPECT_EQ(files, 4u);  // source, areas, old, folder: no part file left behind
}

TEST_F(DeviceDBServiceTest, FirstMatchingRowInFileOrderWinsAndNullNeverMatches) {
    DeviceDBService db = Open(R"(
        CREATE TABLE DeviceDataArea (DeviceId INTEGER, DeviceDataAreaId INTEGER, Name TEXT);
        CREATE TABLE DeviceDataType (DeviceId INTEGER, DeviceDataAreaId INTEGER, DeviceDataTypeId INTEGER, Name TEXT);
        INSERT INTO DeviceDataArea VALUES (5, 9, NULL);
        INSERT INTO DeviceDataArea VALUES (5, 8, 'Input ');
        INSERT INTO DeviceDataArea VALUES (5, 7, 'INPUT');
        INSERT INTO DeviceDataArea VALUES (5, 6, '');
        INSERT INTO DeviceDataType VALUES (5, 8, 81, 'Word');
        INSERT INTO DeviceDataType VALUES (5, 7, 71, 'Word');
        INSERT INTO DeviceDataType VALUES (5, 8, 82, ' word');
        INSERT INTO DeviceDataType VALUES (5, 0, 1, 'Word');
    )");
    db.DeviceId = 5;
    EXPECT_EQ(Lookup(db, "input", "WORD"), (Ids{8, 81}));
    EXPECT_EQ(Lookup(db, "Output", "Word"), (Ids{0, 1}));  // area 0 is queried like any other
    EXPECT_EQ(Lookup(db, "   ", "Word"), (Ids{6, 0}));   // blanks only: not empty, matches ''
}

TEST_F(DeviceDBServiceTest, ATypeLookupWithoutAMatchKeepsTheCallersValue) {
    DeviceDBService db = Open(test::FixtureDeviceDbSql());
    db.DeviceId = 1;
    db.FindDataAreaId("Input");
    db.DataTypeId = 77;
    db.FindDataTypeId("Nothing");
    EXPECT_EQ(db.DataTypeId, 77);
    db.DataAreaId = 55;
    db.FindDataAreaId("Nothing");
    EXPECT_EQ(db.DataAreaId, 0);  // the area lookup starts from 0 itself
}

TEST_F(DeviceDBServiceTest, IdentifiersAreConvertedWhenTheirRowMatches) {
    DeviceDBService db = Open(R"(
        CREATE TABLE DeviceDataArea (DeviceId, DeviceDataAreaId, Name);
        CREATE TABLE DeviceDataType (DeviceId, DeviceDataAreaId, DeviceDataTypeId, Name);
        INSERT INTO DeviceDataArea VALUES (1, 2.5, 'Half');
        INSERT INTO DeviceDataArea VALUES (1, ' 7 ', 'Text');
        INSERT INTO DeviceDataArea VALUES (1, NULL, 'Null');
        INSERT INTO DeviceDataArea VALUES (1, 'x', 'Letters');
        INSERT INTO DeviceDataArea VALUES (1, 4294967296, 'Huge');
        INSERT INTO DeviceDataArea VALUES (1, 3, 'Fine');
    )");
    db.DeviceId = 1;
    // 2.5 halves to even; the bad rows spoil only their own lookups.
    struct Case { const char* name; int32_t error, id; } cases[] = {
        {"Half", 0, 2}, {"Text", 0, 7}, {"Null", InvalidUseOfNull, 0}, {"Letters", TypeMismatch, 0}, {"Huge", Overflow, 0}, {"Fine", 0, 3}};
    for (const auto& c : cases) {
        EXPECT_EQ(ErrorNumberOf([&] { db.FindDataAreaId(c.name); }), c.error) << c.name;
        if (!c.error) {
            EXPECT_EQ(db.DataAreaId, c.id) << c.name;
        }
    }
}

// A store that counts its reads, to show each device's rows are read once.
class CountingStore : public DeviceDBStore {
public:
    int areaReads = 0, typeReads = 0;
    std::vector<DeviceDataAreaRow> ReadDataAreas(std::optional<int32_t> deviceId) override {
        ++areaReads;
        int32_t id = deviceId.value_or(0);
        return {{{id, 0}, {id * 10, 0}, std::string("DBW")}};
    }
    std::vector<DeviceDataTypeRow> ReadDataTypes(std::optional<int32_t> deviceId) override {
        ++typeReads;
        int32_t id = deviceId.value_or(0);
        return {{{id, 0}, {id * 10, 0}, {id * 100, 0}, std::string("Word")}};
    }
    std::vector<int32_t> ReadDeviceIds() override { return {}; }
};

TEST(DeviceDBServiceRows, AreReadOncePerDeviceOnTheFirstLookupThatNeedsThem) {
    auto store = std::make_unique<CountingStore>();
    CountingStore* counts = store.get();
    DeviceDBService db(std::move(store));
    db.DeviceId = 0;
    Lookup(db, "DBW", "Word");
    EXPECT_EQ(counts->areaReads, 0);  // device 0 reads nothing
    db.DeviceId = 1;
    Lookup(db, "", "");
    EXPECT_EQ(counts->areaReads, 0);  // empty names read nothing
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(Lookup(db, "DBW", "Word"), (Ids{10, 100}));
    db.DeviceId = 2;
    EXPECT_EQ(Lookup(db, "DBW", "Word"), (Ids{20, 200}));
    db.DeviceId = 1;
    EXPECT_EQ(Lookup(db, "dbw", "word"), (Ids{10, 100}));
    EXPECT_EQ(counts->areaReads, 2);
    EXPECT_EQ(counts->typeReads, 2);
}

TEST_F(DeviceDBServiceTest, FilesThatAreNoDeviceDatabaseFailAtCreation) {
    EXPECT_EQ(ErrorNumberOf([&] { DeviceDBService db(dir / "missing.dbr"); }), FileNotFound);
    // Text, nothing, and an SQLite header on garbage: the header alone makes no database.
    for (const std::string& bytes : {std::string("DeviceDataArea;1;1;DBW\r\n"), std::string(), std::string("SQLite format 3\0", 16) + std::string(2000, 'Z')}) {
        test::WriteFile(dir / "bad.dbr", bytes);
        EXPECT_EQ(ErrorNumberOf([&] { DeviceDBService db(dir / "bad.dbr"); }), PathFileAccessError) << bytes.size();
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "missing.dbr"));  // never created
}

TEST_F(DeviceDBServiceTest, BrokenJetFilesFailCleanly) {
    if (test::SharedDir().empty()) GTEST_SKIP() << "../shared is absent";
    std::string jet = test::ReadFile(test::SharedDir() / "fixtures" / "jet4" / "KorvoDEV.dbr");
    // Cut short, or a Jet header in front of anything else: either opening or the first
    // lookup fails; nothing crashes.
    for (const std::string& bytes : {jet.substr(0, 20), jet.substr(0, 2048), jet.substr(0, 4096), jet.substr(0, jet.size() / 2),
                                     jet.substr(0, 128) + std::string(8192, '\0')}) {
        test::WriteFile(dir / "broken.dbr", bytes);
        EXPECT_EQ(ErrorNumberOf([&] {
                      DeviceDBService db(dir / "broken.dbr");
                      db.DeviceId = 1;
                      db.FindDataAreaId("DBW");
                      db.FindDataTypeId("Word");
                  }),
                  PathFileAccessError)
            << bytes.size();
    }
}

TEST_F(DeviceDBServiceTest, ADatabaseWithoutTheTablesOpensAndItsFirstLookupFails) {
    DeviceDBService db = Open("CREATE TABLE Other (x);");
    db.DeviceId = 1;
    EXPECT_EQ(ErrorNumberOf([&] { db.FindDataAreaId("DBW"); }), PathFileAccessError);
    db.DataAreaId = 1;
    EXPECT_EQ(ErrorNumberOf([&] { db.FindDataTypeId("Word"); }), PathFileAccessError);
}

TEST(SharedDeviceDB, OpensTwoFoldersAboveTheComponentAndCloses) {
    test::ComponentLayout layout;
    OpenDeviceDB(1);
    ASSERT_TRUE(DeviceDB);
    EXPECT_EQ(DeviceDB->DeviceId, 1);
    DeviceDB->FindDataAreaId("Timer");
    EXPECT_EQ(DeviceDB->DataAreaId, 5);
    auto first = DeviceDB;
    OpenDeviceDB(2);
    EXPECT_NE(DeviceDB, first);  // a new service replaces the shared one
    CloseDeviceDB();
    EXPECT_FALSE(DeviceDB);

    std::filesystem::remove(layout.deviceDb);
    EXPECT_EQ(ErrorNumberOf([] { OpenDeviceDB(1); }), FileNotFound);
    EXPECT_EQ(DeviceDBService::DefaultPath(), layout.component + "/../../KorvoDEV.dbr");
}

}  // namespace
}  // namespace tessaro
