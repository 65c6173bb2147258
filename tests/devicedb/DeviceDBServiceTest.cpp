#include "devicedb/DeviceDBService.h"

#include <tessaro/Platform.h>
#include <tessaro/RuntimeError.h>

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace tessaro {
namespace {

int ErrorOf(auto&& call) {
    try {
        call();
    } catch (const RuntimeError& e) {
        return e.Number;
    }
    return 0;
}

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

// The same rows as an SQLite file built from the fixture's SQL and as the fixture's Jet 4
// file: every lookup must answer alike.
enum class Format { Sqlite, Jet };

class FixtureDevices : public testing::TestWithParam<Format> {
protected:
    std::string DatabasePath() {
        if (GetParam() == Format::Sqlite) {
            test::WriteSqliteDatabase(dir / "KorvoDEV.dbr", test::FixtureDeviceDbSql());
            return dir / "KorvoDEV.dbr";
        }
        if (test::SharedDir().empty()) return {};
        return (test::SharedDir() / "fixtures" / "jet4" / "KorvoDEV.dbr").string();
    }
    test::TempDir dir;
};

INSTANTIATE_TEST_SUITE_P(BothStores, FixtureDevices, testing::Values(Format::Sqlite, Format::Jet),
                         [](const auto& param) { return param.param == Format::Sqlite ? "Sqlite" : "Jet"; });

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
    db.FindDataAreaId("Half");
    EXPECT_EQ(db.DataAreaId, 2);  // halves to even
    db.FindDataAreaId("Text");
    EXPECT_EQ(db.DataAreaId, 7);
    EXPECT_EQ(ErrorOf([&] { db.FindDataAreaId("Null"); }), InvalidUseOfNull);
    EXPECT_EQ(ErrorOf([&] { db.FindDataAreaId("Letters"); }), TypeMismatch);
    EXPECT_EQ(ErrorOf([&] { db.FindDataAreaId("Huge"); }), Overflow);
    db.FindDataAreaId("Fine");  // the bad rows spoil only their own lookups
    EXPECT_EQ(db.DataAreaId, 3);
}

// A store that counts its reads, to show each device's rows are read once.
class CountingStore : public DeviceDBStore {
public:
    int areaReads = 0, typeReads = 0;
    std::vector<DeviceDataAreaRow> ReadDataAreas(int32_t deviceId) override {
        ++areaReads;
        return {{{deviceId * 10, 0}, std::string("DBW")}};
    }
    std::vector<DeviceDataTypeRow> ReadDataTypes(int32_t deviceId) override {
        ++typeReads;
        return {{{deviceId * 10, 0}, {deviceId * 100, 0}, std::string("Word")}};
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
    EXPECT_EQ(ErrorOf([&] { DeviceDBService db(dir / "missing.dbr"); }), FileNotFound);
    test::WriteFile(dir / "text.dbr", "DeviceDataArea;1;1;DBW\r\n");
    EXPECT_EQ(ErrorOf([&] { DeviceDBService db(dir / "text.dbr"); }), PathFileAccessError);
    test::WriteFile(dir / "empty.dbr", "");
    EXPECT_EQ(ErrorOf([&] { DeviceDBService db(dir / "empty.dbr"); }), PathFileAccessError);
    // An SQLite header on garbage: the header alone does not make a database.
    test::WriteFile(dir / "fake.dbr", std::string("SQLite format 3\0", 16) + std::string(2000, '\x5A'));
    EXPECT_EQ(ErrorOf([&] { DeviceDBService db(dir / "fake.dbr"); }), PathFileAccessError);
    EXPECT_FALSE(std::filesystem::exists(dir / "missing.dbr"));  // never created
}

TEST_F(DeviceDBServiceTest, BrokenJetFilesFailCleanly) {
    if (test::SharedDir().empty()) GTEST_SKIP() << "../shared is absent";
    std::string jet = test::ReadFile(test::SharedDir() / "fixtures" / "jet4" / "KorvoDEV.dbr");
    // Cut short: either opening or the first lookup fails; nothing crashes.
    for (size_t size : {size_t{20}, size_t{2048}, size_t{4096}, jet.size() / 2}) {
        test::WriteFile(dir / "cut.dbr", jet.substr(0, size));
        int code = ErrorOf([&] {
            DeviceDBService db(dir / "cut.dbr");
            db.DeviceId = 1;
            db.FindDataAreaId("DBW");
            db.FindDataTypeId("Word");
        });
        EXPECT_EQ(code, PathFileAccessError) << size;
    }
    // A Jet header in front of anything else.
    test::WriteFile(dir / "header.dbr", jet.substr(0, 128) + std::string(8192, '\0'));
    EXPECT_EQ(ErrorOf([&] {
                  DeviceDBService db(dir / "header.dbr");
                  db.DeviceId = 1;
                  db.FindDataAreaId("DBW");
              }),
              PathFileAccessError);
}

TEST_F(DeviceDBServiceTest, ADatabaseWithoutTheTablesOpensAndItsFirstLookupFails) {
    DeviceDBService db = Open("CREATE TABLE Other (x);");
    db.DeviceId = 1;
    EXPECT_EQ(ErrorOf([&] { db.FindDataAreaId("DBW"); }), PathFileAccessError);
    db.DataAreaId = 1;
    EXPECT_EQ(ErrorOf([&] { db.FindDataTypeId("Word"); }), PathFileAccessError);
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
    EXPECT_EQ(ErrorOf([] { OpenDeviceDB(1); }), FileNotFound);
    EXPECT_EQ(DeviceDBService::DefaultPath(), layout.component + "/../../KorvoDEV.dbr");
}

}  // namespace
}  // namespace tessaro
