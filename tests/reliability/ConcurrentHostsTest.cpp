// Two hosts importing on two threads at once. Every import-wide object (message log,
// device database, country code, declaration tables, component folder) is the
// thread's own, so each import gives exactly the variables and the merged message file
// it gives alone. Run under ThreadSanitizer in CI.

#include "TestSupport.h"
#include "messages/MessengerClock.h"

#include <tessaro/VariableDriver.h>

#include <gtest/gtest.h>

#include <thread>

namespace tessaro::test {
namespace {

using Project = std::vector<std::pair<std::string, std::string>>;  // file name, bytes

// One whole import of a project in a component layout of its own, on the calling thread:
// every field of every variable, then the merged message file with its folder masked.
std::vector<std::string> ImportAlone(const Project& project, int32_t deviceId) {
    SetThreadMessengerTime(std::tm{});
    ComponentLayout layout;
    std::vector<std::string> paths, out;
    for (const auto& [name, bytes] : project) {
        WriteFile(layout.root / name, bytes);
        paths.push_back(layout.root / name);
    }
    VariableDriver driver;
    driver.DeviceCodeId = 1;
    driver.DeviceId = deviceId;
    auto sources = Sources(paths);
    EXPECT_TRUE(driver.GetVariables(sources));
    for (const VariablePtr& v : *driver.Variables) {
        std::string line = v->Name + "|" + v->SectionName + "|" + v->TagAttribute;
        for (int32_t n : {v->DeviceId, v->NestingLevel, v->DataAreaId, v->DataTypeId, v->VariableLen, v->FieldAdd1,
                          v->FieldAdd2, v->FieldAdd3, v->FieldAdd4, v->FieldAdd5, int32_t{v->Sign}, int32_t{v->Warning}})
            line += "|" + std::to_string(n);
        out.push_back(line);
    }
    std::string merged = layout.Merged();
    const std::string root = layout.root.path().string();
    for (size_t at; (at = merged.find(root)) != std::string::npos;) merged.replace(at, root.size(), "<root>");
    out.push_back(merged);
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

    std::vector<std::string> plantAlone, otherAlone;
    std::thread([&] { plantAlone = ImportAlone(plant, 1); }).join();
    std::thread([&] { otherAlone = ImportAlone(other, 2); }).join();
    ASSERT_GT(plantAlone.size(), 20u);
    ASSERT_EQ(otherAlone.size(), 300u + 300u + 1u);
    ASSERT_NE(otherAlone.back().find("Tag7"), std::string::npos);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        std::vector<std::string> a, b;
        std::thread first([&] { a = ImportAlone(plant, 1); });
        std::thread second([&] { b = ImportAlone(other, 2); });
        first.join();
        second.join();
        EXPECT_EQ(a, plantAlone);
        EXPECT_EQ(b, otherAlone);
    }
}

}  // namespace
}  // namespace tessaro::test
