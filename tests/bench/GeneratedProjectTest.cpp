// A generated project of some 50,000 symbol lines and 50,000 value lines imported
// through GetVariables, checked against what the generator knows it wrote: record
// counts, a sample of records field by field and in place, and the merged message file.

#include "ProjectGenerator.h"
#include "TestSupport.h"
#include "messages/LanguageManager.h"
#include "messages/MessengerClock.h"

#include <tessaro/VariableDriver.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <sstream>
#include <tuple>

namespace tessaro {
namespace {

using bench::GeneratedProject;
using bench::GenerateProject;
using bench::ProjectShape;

// The identifiers of the bundled sample device database, device 1, by area and by type
// name in upper case.
int32_t AreaId(const std::string& area) {
    static const std::map<std::string, int32_t> ids = {{"DBW", 1},   {"Merker", 2}, {"Input", 3},
                                                       {"Output", 4}, {"Timer", 5},  {"Counter", 6}};
    return area.empty() ? 0 : ids.at(area);
}

// Each area's types are numbered from ten times the area's identifier, in this order.
int32_t TypeId(const std::string& area, std::string type) {
    for (char& c : type) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    static const std::map<std::string, std::vector<std::string>> types = {
        {"DBW", {"BYTE", "WORD", "DWORD", "FLOATING POINT", "STRING", "TIMER 1/100 SEC.", "TIMER 1/10 SEC.", "TIMER 1 SEC.", "TIMER 10 SEC."}},
        {"Merker", {"BYTE", "WORD", "DWORD"}},
        {"Input", {"BYTE", "WORD"}},
        {"Output", {"BYTE", "WORD"}},
        {"Timer", {"TIMER"}},
        {"Counter", {"COUNTER"}}};
    if (type.empty()) return 0;
    const std::vector<std::string>& names = types.at(area);
    const auto at = std::find(names.begin(), names.end(), type);
    if (at == names.end()) throw std::out_of_range(area + "/" + type);
    return AreaId(area) * 10 + static_cast<int32_t>(at - names.begin());
}

ProjectShape Shape(size_t symbols, size_t blocks, size_t elementsPerBlock) {
    ProjectShape shape;
    shape.Symbols = symbols;
    shape.Blocks = blocks;
    shape.ElementsPerBlock = elementsPerBlock;
    return shape;
}

// The merged message file as (partial file, group title, line) triples, with the count
// of report lines per partial file.
struct MergedReports {
    std::set<std::tuple<int, std::string, std::string>> lines;
    std::array<size_t, 7> counts{};
};

MergedReports ParseMerged(const std::string& text) {
    constexpr int32_t kTitleMessage[7] = {0, 2, 6, 1, 3, 4, 5};
    std::map<std::string, int> titles;
    for (int file = 1; file <= 6; ++file) titles["-" + GetMessageText(kTitleMessage[file])] = file;
    MergedReports reports;
    int file = 0;
    std::string group;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find("\r\n", at);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(at, end - at);
        at = end + 2;
        if (line.empty() || line.starts_with("--")) continue;
        if (auto title = titles.find(line); title != titles.end()) {
            file = title->second;
            group.clear();
            continue;
        }
        const bool groupTitle =
            file != 3 && (line == "Symbol Files" || (line.starts_with("DB ") && line.find('.') == std::string::npos));
        if (groupTitle) {
            group = line;
            continue;
        }
        ++reports.counts[static_cast<size_t>(file)];
        reports.lines.emplace(file, group, line);
    }
    return reports;
}

class GeneratedProjectTest : public ::testing::Test {
protected:
    void SetUp() override { test::FixMessengerTime(2026, 1, 1); }
    void TearDown() override { SetThreadMessengerTime(std::nullopt); }
    test::ComponentLayout layout{test::ReadFile(std::string(TESSARO_SOURCE_DIR) + "/samples/devicedb.sql")};
    test::TempDir sources;
};

TEST_F(GeneratedProjectTest, ImportMatchesWhatTheGeneratorWrote) {
    ProjectShape shape = Shape(50000, 560, 90);
    shape.Seed = 2026;
    shape.IncompleteBlocks = 3;
    shape.SampleEvery = 7;
    const GeneratedProject project = GenerateProject(shape, sources.path().string());
    ASSERT_GE(project.SymbolLines, 50000u);
    ASSERT_GE(project.ValueLines, 50000u);

    VariableDriver driver;
    driver.DeviceCodeId = 1;
    driver.DeviceId = 7;
    driver.DeviceName = "Line 6";
    DataSourceCollection list = test::Sources({project.DataBlocks, project.SymbolTable});
    ASSERT_TRUE(driver.GetVariables(list));

    const VariableList& variables = *driver.Variables;
    ASSERT_EQ(variables.Count(), project.VariableCount());
    std::vector<const Variable*> inOrder;
    for (const auto& v : variables) inOrder.push_back(v.get());

    ASSERT_GT(project.Sample.size(), 10000u);
    for (const auto& expected : project.Sample) {
        ASSERT_LE(expected.Position, inOrder.size());
        const Variable& v = *inOrder[expected.Position - 1];
        SCOPED_TRACE(expected.Name);
        EXPECT_EQ(v.Name, expected.Name);
        EXPECT_EQ(v.SectionName, expected.SectionName);
        EXPECT_EQ(v.DeviceId, 7);
        EXPECT_EQ(v.DataAreaId, AreaId(expected.DataArea));
        EXPECT_EQ(v.DataTypeId, TypeId(expected.DataArea, expected.DataType));
        EXPECT_EQ(v.TagAttribute, expected.TagAttribute);
        EXPECT_EQ(v.NestingLevel, expected.NestingLevel);
        EXPECT_EQ(v.VariableLen, expected.VariableLen);
        EXPECT_EQ(v.FieldAdd1, expected.FieldAdd1);
        EXPECT_EQ(v.FieldAdd2, expected.FieldAdd2);
        EXPECT_EQ(v.FieldAdd3, 0);
        EXPECT_EQ(v.Sign, expected.Sign);
        EXPECT_EQ(v.Warning, expected.Warning);
    }

    ASSERT_EQ(driver.MessengerFile, "Messenger.Msg");
    const std::string merged = test::ReadFile(layout.merged);
    EXPECT_TRUE(merged.starts_with("\r\n--Line 6--01-01-26 00.00.00\r\n")) << merged.substr(0, 60);
    const MergedReports reports = ParseMerged(merged);
    for (int file = 1; file <= 6; ++file)
        EXPECT_EQ(reports.counts[static_cast<size_t>(file)], project.Reports[static_cast<size_t>(file)]) << file;
    size_t checked = 0;
    for (const auto& expected : project.Sample)
        for (const auto& report : expected.Reports) {
            EXPECT_TRUE(reports.lines.count({report.File, report.Group, report.Line}))
                << report.File << " / " << report.Group << " / " << report.Line;
            ++checked;
        }
    EXPECT_GT(checked, 5000u);
}

// The sample covers what the checks above are meant to catch: every device type, bit
// and odd byte placement, nesting, instance blocks, UDT and declared STRING lengths,
// symbolic blocks.
TEST(GeneratedProject, SampleCoversEveryFeature) {
    test::TempDir folder;
    ProjectShape shape = Shape(5000, 120, 60);
    shape.SampleEvery = 3;
    const GeneratedProject project = GenerateProject(shape, folder.path().string());
    std::set<std::string> types, tags;
    std::set<int32_t> lengths, levels;
    bool oddByte = false, warning = false, symbolic = false;
    for (const auto& v : project.Sample) {
        types.insert(v.DataArea + "/" + v.DataType);
        tags.insert(v.TagAttribute);
        lengths.insert(v.VariableLen);
        levels.insert(v.NestingLevel);
        oddByte |= v.DataArea == "DBW" && v.FieldAdd2 % 2 != 0;
        warning |= v.Warning;
        symbolic |= v.Name.starts_with("\"Blk_");
    }
    EXPECT_EQ(types.size(), 19u) << ::testing::PrintToString(types);
    EXPECT_EQ(tags, (std::set<std::string>{"", "BOOL", "CHAR", "REAL", "TIME", "S5TIME", "UNKNOWN", "DATE", "TIME DAY",
                                           "DATE TIME", "POINTER", "BLOCK", "TIMER/COUNT"}));
    for (int32_t length : {1, 4, 8, 12, 16, 24, 32}) EXPECT_TRUE(lengths.count(length)) << length;
    EXPECT_EQ(levels, (std::set<int32_t>{1, 2, 3}));
    EXPECT_TRUE(oddByte);
    EXPECT_TRUE(warning);
    EXPECT_TRUE(symbolic);
}

TEST(GeneratedProject, SameSeedSameBytesOtherSeedOtherBytes) {
    test::TempDir a, b, c;
    ProjectShape shape = Shape(3000, 30, 40);
    const auto first = GenerateProject(shape, a.path().string());
    const auto second = GenerateProject(shape, b.path().string());
    shape.Seed = 2;
    const auto third = GenerateProject(shape, c.path().string());
    EXPECT_EQ(test::ReadFile(first.SymbolTable), test::ReadFile(second.SymbolTable));
    EXPECT_EQ(test::ReadFile(first.DataBlocks), test::ReadFile(second.DataBlocks));
    EXPECT_NE(test::ReadFile(first.SymbolTable), test::ReadFile(third.SymbolTable));
    EXPECT_NE(test::ReadFile(first.DataBlocks), test::ReadFile(third.DataBlocks));
}

// Symbol lines keep the importer's fixed columns, CR LF ends every line, and no line
// feed stands alone.
TEST(GeneratedProject, SymbolLinesKeepTheirColumns) {
    EXPECT_EQ(bench::SymbolTableLine("Pump_1_Run", "E", "0.3", "BOOL", "note"),
              "126,Pump_1_Run              E   0.3    BOOL    note");
    test::TempDir folder;
    const auto project = GenerateProject(Shape(2000, 10, 10), folder.path().string());
    std::istringstream text(test::ReadFile(project.SymbolTable));
    size_t lines = 0;
    for (std::string line; std::getline(text, line, '\n'); ++lines) {
        ASSERT_TRUE(line.ends_with("\r")) << line;
        ASSERT_EQ(line.substr(0, 4), "126,");
        ASSERT_NE(line[4], ' ') << line;  // the symbol starts in column 5
        ASSERT_EQ(line[31], ' ') << line;  // column 32 is not read
        ASSERT_GE(line.size(), 48u);
    }
    EXPECT_EQ(lines, project.SymbolLines);
    EXPECT_EQ(lines, 2010u);
    const std::string source = test::ReadFile(project.DataBlocks);
    for (size_t at = source.find('\n'); at != std::string::npos; at = source.find('\n', at + 1))
        ASSERT_EQ(source[at - 1], '\r') << at;
}

}  // namespace
}  // namespace tessaro
