// Two hosts importing on two threads at once. Every import-wide object (message log,
// device database, country code, declaration tables, component folder) is the
// thread's own, so each import gives exactly the variables and the merged message file
// it gives alone. Run under ThreadSanitizer in CI.

#include "ReliabilitySupport.h"
#include "messages/MessengerClock.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

namespace tessaro {
namespace {

namespace fs = std::filesystem;
using namespace test;

struct Outcome {
    bool result = false;
    std::vector<std::string> variables;
    std::string merged;
};

struct Project {
    std::vector<std::pair<std::string, std::string>> files;  // name, bytes
    int32_t deviceId;
};

// One whole import of a project in a component layout of its own, on the calling thread.
Outcome ImportAlone(const Project& project) {
    std::tm time{};
    time.tm_year = 2026 - 1900;
    time.tm_mday = 3;
    SetThreadMessengerTime(time);
    ComponentLayout layout(SampleDeviceDbSql());
    std::vector<std::string> paths;
    for (const auto& [name, bytes] : project.files) {
        WriteFile(layout.root / name, bytes);
        paths.push_back(layout.root / name);
    }
    VariableDriver driver;
    driver.DeviceCodeId = 1;
    driver.DeviceId = project.deviceId;
    driver.DeviceName = "Line " + std::to_string(project.deviceId);
    auto sources = Sources(paths);
    Outcome outcome;
    outcome.result = driver.GetVariables(sources);
    outcome.variables = Dump(*driver.Variables);
    outcome.merged = fs::exists(layout.merged) ? ReadFile(layout.merged) : "";
    // The temporary folder differs from run to run; the rest must not.
    for (size_t at; (at = outcome.merged.find(layout.root.path().string())) != std::string::npos;)
        outcome.merged.replace(at, layout.root.path().string().size(), "<root>");
    SetThreadMessengerTime(std::nullopt);
    return outcome;
}

TEST(ConcurrentHosts, TwoThreadsImportingDifferentProjectsGetWhatEachGetsAlone) {
    const std::string samples = std::string(TESSARO_SOURCE_DIR) + "/samples/plant/";
    const Project plant{{{"Plant.ASC", ReadFile(samples + "Plant.ASC")}, {"Plant.AWL", ReadFile(samples + "Plant.AWL")}}, 1};
    std::string symbols, values;
    for (int i = 0; i < 300; ++i) {
        symbols += SymbolLine("Tag" + std::to_string(i), i % 2 ? "M" : "E", std::to_string(i), i % 3 ? "INT" : "BOOL") + "\r\n";
        values += "   V" + std::to_string(i) + (i % 4 ? " := 12;" : " := TRUE;") + "\r\n";
    }
    symbols += SymbolLine("Tag7", "M", "1", "BYTE") + "\r\n";  // a clash, reported
    const Project other{{{"Other.AWL", "DATA_BLOCK DB 77\r\nBEGIN\r\n" + values + "END_DATA_BLOCK\r\n"},
                         {"Other.ASC", symbols}},
                        2};

    Outcome plantAlone, otherAlone;
    std::thread([&] { plantAlone = ImportAlone(plant); }).join();
    std::thread([&] { otherAlone = ImportAlone(other); }).join();
    ASSERT_TRUE(plantAlone.result);
    ASSERT_TRUE(otherAlone.result);
    ASSERT_GT(plantAlone.variables.size(), 20u);
    ASSERT_EQ(otherAlone.variables.size(), 300u + 300u);
    ASSERT_NE(plantAlone.merged, "");
    ASSERT_NE(otherAlone.merged.find("Tag7"), std::string::npos);

    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        Outcome a, b;
        std::thread first([&] { a = ImportAlone(plant); });
        std::thread second([&] { b = ImportAlone(other); });
        first.join();
        second.join();
        EXPECT_TRUE(a.result);
        EXPECT_TRUE(b.result);
        EXPECT_EQ(a.variables, plantAlone.variables);
        EXPECT_EQ(b.variables, otherAlone.variables);
        EXPECT_EQ(a.merged, plantAlone.merged);
        EXPECT_EQ(b.merged, otherAlone.merged);
    }
}

}  // namespace
}  // namespace tessaro
