// tessaro diff as a user runs it: saved imports against each other and against their
// sources, and the exit statuses; what changed between two imports is in the corpus.

#include "TestSupport.h"

#include <gtest/gtest.h>

namespace tessaro::test {
namespace {

namespace fs = std::filesystem;

class DiffTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::string(TESSARO_CLI_PATH).empty()) GTEST_SKIP() << "built without the command line";
        fs::create_directories(dir / "plant");
        for (const char* name : {"Plant.ASC", "Plant.AWL"})
            fs::copy_file(fs::path(TESSARO_SOURCE_DIR) / "samples/plant" / name, dir / ("plant/" + std::string(name)));
        // A name that JSON escapes, CSV quotes, and UTF-8 writes in two bytes.
        WriteFile(dir / "plant/Odd.ASC", CrLf({SymbolLine("K\xE4lte \"1\",x", "M", "3", "REAL")}));
    }
    CliRun Run(const std::vector<std::string>& arguments) { return RunCli(arguments, "cd '" + dir / "" + "' &&"); }
    // The plant imported and saved in a format.
    void Save(const std::string& format, const std::string& file) {
        CliRun run = Run({"import", "--format", format, "--messages", "m.txt", "plant/Plant.ASC", "plant/Odd.ASC",
                          "plant/Plant.AWL"});
        ASSERT_EQ(run.status, 0) << run.err;
        WriteFile(dir / file, run.out);
    }
    TempDir dir;
};

TEST_F(DiffTest, AnImportSavedAsJsonLinesAsCsvAndItsSourcesAreTheSame) {
    Save("jsonl", "plant.jsonl");
    Save("csv", "plant.csv");
    ASSERT_NE(ReadFile(dir / "plant.csv").find("K\xC3\xA4lte \"\"1\"\",x"), std::string::npos);
    for (const auto& sides : std::vector<std::vector<std::string>>{
             {"plant.jsonl", "plant.csv"},
             {"plant.csv", "plant"},
             {"plant", "plant.jsonl"},
             {"--old", "plant/Plant.AWL", "plant/Odd.ASC", "plant/Plant.ASC", "--new", "plant.jsonl"}}) {
        std::vector<std::string> arguments = {"diff", "--summary", "s.json"};
        arguments.insert(arguments.end(), sides.begin(), sides.end());
        CliRun run = Run(arguments);
        EXPECT_EQ(run.status, 0) << sides[0] << " " << sides[1] << ": " << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "tessaro: no difference\n");
        EXPECT_NE(ReadFile(dir / "s.json").find("\"differs\": false"), std::string::npos);
    }
}

TEST_F(DiffTest, ExitStatusZeroOneOrTwo) {
    Save("jsonl", "plant.jsonl");
    std::string changed = ReadFile(dir / "plant.jsonl");
    changed.replace(changed.find("\"FieldAdd1\":0"), 13, "\"FieldAdd1\":7");
    WriteFile(dir / "changed.jsonl", changed);
    WriteFile(dir / "broken.csv", "Name\r\n");
    fs::create_directories(dir / "empty");
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::string err;  // the start of the last line on standard error
    } cases[] = {
        {{"plant.jsonl", "plant.jsonl"}, 0, "tessaro: no difference"},
        {{"--format=csv", "--summary", "s.json", "plant.jsonl", "changed.jsonl"}, 1, "tessaro: 0 added, 0 removed, 1 changed"},
        {{"plant.jsonl", "missing.jsonl"}, 2, "tessaro: NEW (missing.jsonl): missing.jsonl: cannot open"},
        {{"broken.csv", "plant.jsonl"}, 2, "tessaro: OLD (broken.csv): broken.csv:1: the header has no column SectionName"},
        {{"empty", "plant.jsonl"}, 2, "tessaro: OLD (empty): the folder empty holds no *.ASC or *.AWL file"},
        {{"--device-db", "none.dbr", "plant", "plant.jsonl"}, 2, "tessaro: OLD (plant): cannot open the device database"},
        {{"--old", "plant/Plant.ASC", "--new", "plant/Nothing.ASC"}, 2, "tessaro: NEW (plant/Nothing.ASC): not every source"},
        {{"plant.jsonl"}, 2, "Try 'tessaro diff --help'."},
        {{"--old", "plant/Plant.ASC"}, 2, "Try 'tessaro diff --help'."},
        {{"plant.jsonl", "--old", "plant/Plant.ASC", "--new", "plant/Plant.ASC"}, 2, "Try 'tessaro diff --help'."},
        {{"--columns", "Name", "plant.jsonl", "plant.jsonl"}, 2, "Try 'tessaro diff --help'."},
    };
    for (const auto& c : cases) {
        std::vector<std::string> arguments = {"diff"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        CliRun run = Run(arguments);
        EXPECT_EQ(run.status, c.status) << c.err << "\n" << run.err;
        std::string err = run.err.substr(0, run.err.size() - 1);
        err = err.substr(err.rfind('\n') + 1);
        EXPECT_EQ(err.substr(0, c.err.size()), c.err) << run.err;
    }
    EXPECT_EQ(Run({"diff", "--format=csv", "plant.jsonl", "changed.jsonl"}).out,
              "Change,Name,SectionName,Column,Old,New\r\nchanged,Start_Pushbutton,Plant.ASC (Symbol file),FieldAdd1,0,7\r\n");
    EXPECT_NE(ReadFile(dir / "s.json").find("\"changed\": 1"), std::string::npos);
}

TEST_F(DiffTest, TheReportPageHoldsTheSummarysCountsAndOneRowPerChange) {
    Save("jsonl", "plant.jsonl");
    std::string changed = ReadFile(dir / "plant.jsonl");
    changed.replace(changed.find("\"FieldAdd1\":0"), 13, "\"FieldAdd1\":7");
    changed.erase(changed.rfind('\n', changed.size() - 2) + 1);  // the last record removed
    WriteFile(dir / "changed.jsonl", changed);
    CliRun run = Run({"diff", "--format=csv", "--report", "r.html", "plant.jsonl", "changed.jsonl"});
    EXPECT_EQ(run.status, 1) << run.err;
    ASSERT_NE(run.err.find("tessaro: report written to r.html\n"), std::string::npos) << run.err;
    const std::string line = run.err.substr(run.err.find("tessaro: ") + 9, run.err.find('\n') - 9);
    ASSERT_EQ(line.substr(0, 8), "0 added,") << run.err;
    const std::string page = ReadFile(dir / "r.html");
    EXPECT_NE(page.find(line + "."), std::string::npos);
    // Each count of the summary line, as the page's table holds it.
    for (size_t at = 0; at < line.size();) {
        const size_t blank = line.find(' ', at), end = std::min(line.find(',', at), line.size());
        const std::string count = line.substr(at, blank - at), name = line.substr(blank + 1, end - blank - 1);
        EXPECT_NE(page.find("data-count=\"" + name + "\">" + count + "<"), std::string::npos) << name;
        at = end + 2;
    }
    size_t rows = 0, changes = 0;
    for (size_t at = 0; (at = page.find("<tr data-fate=", at)) != std::string::npos; ++at) ++rows;
    for (size_t at = 0; (at = run.out.find("\r\n", at)) != std::string::npos; ++at) ++changes;
    EXPECT_EQ(rows, changes - 1);  // less the CSV's header
    EXPECT_GE(rows, 2u);
    EXPECT_EQ(page.find("http:"), std::string::npos);
    EXPECT_EQ(page.find("https:"), std::string::npos);

    run = Run({"diff", "--report", "missing/r.html", "plant.jsonl", "plant.jsonl"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("tessaro: cannot write the report missing/r.html"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace tessaro::test
