// Two hosts importing on two threads at once. Every import-wide object (message log,
// device database, country code, declaration tables, component folder) is the
// thread's own, so each import gives exactly the variables and the merged message file
// it gives alone. Run under ThreadSanitizer in CI.

#include "ReliabilitySupport.h"
#include "messages/MessengerClock.h"

#include <gtest/gtest.h>

#include <thread>

namespace tessaro {
namespace {

using namespace test;

using Project = std::vector<std::pair<std::string, std::string>>;  // file name, bytes

// One whole import of a project in a component layout of its own, on the calling thread.
Imported ImportAlone(const Project& project, int32_t deviceId) {
    FixMessengerTime(2026, 1, 3);
    ComponentLayout layout(SampleDeviceDbSql());
    std::vector<std::string> paths;
    for (const auto& [name, bytes] : project) {
        WriteFile(layout.root / name, bytes);
        paths.push_back(layout.root / name);
    }
    Imported out = ImportWithDriver(layout, paths, deviceId);
    // The temporary folder differs from run to run; the rest must not.
    const std::string root = layout.root.path().string();
    for (size_t at; (at = out.merged.find(root)) != std::string::npos;) out.merged.replace(at, root.size(), "<root>");
    SetThreadMessengerTime(std::nullopt);
    return out;
}

TEST(ConcurrentHosts, TwoThreadsImportingDifferentProjectsGetWhatEachGetsAlone) {
    const std::string samples = std::string(TESSARO_SOURCE_DIR) + "/samples/plant/";
    const Project plant{{"Plant.ASC", ReadFile(samples + "Plant.ASC")}, {"Plant.AWL", ReadFile(samples + "Plant.AWL")}};
    std::string symbols, values;
    for (int i = 0; i < 300; ++i) {
        symbols += SymbolLine("Tag" + std::to_string(i), i % 2 ? "M" : "E", std::to_string(i), i % 3 ? "INT" : "BOOL") + "\r\n";
        values += "   V" + std::to_string(i) + (i % 4 ? " := 12;" : " := TRUE;") + "\r\n";
    }
    symbols += SymbolLine("Tag7", "M", "1", "BYTE") + "\r\n";  // a clash, reported
    const Project other{{"Other.AWL", "DATA_BLOCK DB 77\r\nBEGIN\r\n" + values + "END_DATA_BLOCK\r\n"}, {"Other.ASC", symbols}};

    Imported plantAlone, otherAlone;
    std::thread([&] { plantAlone = ImportAlone(plant, 1); }).join();
    std::thread([&] { otherAlone = ImportAlone(other, 2); }).join();
    ASSERT_TRUE(plantAlone.result && otherAlone.result);
    ASSERT_GT(plantAlone.variables.size(), 20u);
    ASSERT_EQ(otherAlone.variables.size(), 300u + 300u);
    ASSERT_NE(plantAlone.merged, "");
    ASSERT_NE(otherAlone.merged.find("Tag7"), std::string::npos);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        Imported a, b;
        std::thread first([&] { a = ImportAlone(plant, 1); });
        std::thread second([&] { b = ImportAlone(other, 2); });
        first.join();
        second.join();
        EXPECT_TRUE(a.result && b.result);
        EXPECT_EQ(a.variables, plantAlone.variables);
        EXPECT_EQ(b.variables, otherAlone.variables);
        EXPECT_EQ(a.merged, plantAlone.merged);
        EXPECT_EQ(b.merged, otherAlone.merged);
    }
}

}  // namespace
}  // namespace tessaro
