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

}  // namespace
}  // namespace tessaro::test
