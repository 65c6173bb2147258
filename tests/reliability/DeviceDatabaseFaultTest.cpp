// A device database that is missing or damaged. What the user gets depends on when the
// damage shows: a file that cannot be opened as a device database at all ends the
// import at its start (GetVariables false, nothing imported, MessengerFile unchanged);
// one that opens but cannot answer a lookup fails each source on its first lookup, which
// its importer reports as a file access error (GetVariables true, nothing imported).

#include "ReliabilitySupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace tessaro {
namespace {

namespace fs = std::filesystem;
using namespace test;

TEST(DeviceDatabaseFault, EveryDamageEndsInFalseOrInFileErrorsNeverInACrash) {
    TempDir sampleDir;
    WriteSqliteDatabase(sampleDir / "good.dbr", SampleDeviceDbSql());
    const std::string good = ReadFile(sampleDir / "good.dbr");
    ASSERT_GT(good.size(), 4096u);
    // Bytes scrambled from the given offset on: the schema lies on the first page.
    auto scrambled = [&](size_t from) {
        std::string bytes = good;
        for (size_t i = from; i < bytes.size(); i += 7) bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
        return bytes;
    };
    const size_t pageSize = static_cast<size_t>(static_cast<unsigned char>(good[16])) << 8 |
                            static_cast<unsigned char>(good[17]);

    struct Case {
        const char* what;
        std::function<void(const std::string& path)> make;
        bool result;  // GetVariables
    };
    const Case cases[] = {
        {"missing", [](const std::string& path) { fs::remove(path); }, false},
        {"a folder", [](const std::string& path) { fs::remove(path); fs::create_directory(path); }, false},
        {"empty", [](const std::string& path) { WriteFile(path, ""); }, false},
        {"not a database", [](const std::string& path) { WriteFile(path, std::string(5000, '\x7f')); }, false},
        {"truncated inside the SQLite header", [&](const std::string& path) { WriteFile(path, good.substr(0, 10)); }, false},
        {"truncated after the first page", [&](const std::string& path) { WriteFile(path, good.substr(0, 1024)); }, false},
        {"scrambled from the schema on", [&](const std::string& path) { WriteFile(path, scrambled(100)); }, false},
        {"scrambled after the schema", [&](const std::string& path) { WriteFile(path, scrambled(pageSize)); }, true},
        {"SQLite without the tables", [](const std::string& path) {
             fs::remove(path);
             WriteSqliteDatabase(path, "CREATE TABLE Other (x INTEGER);");
         }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ComponentLayout layout(SampleDeviceDbSql());
        c.make(layout.deviceDb);
        TempDir dir;
        WriteFile(dir / "Plant.ASC", SymbolLine("Motor_On", "M", "1.0", "BOOL") + "\r\n");
        WriteFile(dir / "Blocks.AWL", CrLf({"DATA_BLOCK DB 5", "BEGIN", "   A := 7;", "END_DATA_BLOCK"}));
        VariableDriver driver;
        driver.DeviceCodeId = 1;
        driver.MessengerFile = "earlier";
        auto sources = Sources({dir / "Plant.ASC", dir / "Blocks.AWL"});
        EXPECT_EQ(driver.GetVariables(sources), c.result);
        EXPECT_EQ(driver.Variables->Count(), 0u);
        // Not opened: MessengerFile unchanged; opened: each source a file access error.
        EXPECT_EQ(driver.MessengerFile, c.result ? "Messenger.Msg" : "earlier");
        if (c.result) {
            EXPECT_NE(ReadFile(layout.merged).find("-File access error\r\n\r\n" + (dir / "Plant.ASC") + "\r\n\r\n" +
                                                   (dir / "Blocks.AWL")),
                      std::string::npos);
        }
    }
}

}  // namespace
}  // namespace tessaro
