// The built tessaro binary, run as a user runs it.

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

namespace tessaro {
namespace {

namespace fs = std::filesystem;
using test::CliRun;
using test::CrLf;
using test::ReadFile;
using test::RunCli;
using test::SymbolLine;
using test::WriteFile;

const std::string kCsvHeader = "Name,SectionName,DeviceId,NestingLevel,TagAttribute,DataAreaId,DataTypeId,VariableLen,"
                               "FieldAdd1,FieldAdd2,FieldAdd3,FieldAdd4,FieldAdd5,Sign,Warning\r\n";

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::string(TESSARO_CLI_PATH).empty()) GTEST_SKIP() << "built without the command line";
    }
    test::TempDir dir;
    std::string messages = dir / "m.txt";
    std::string Source(const std::string& name, const std::vector<std::string>& lines) {
        WriteFile(dir / name, CrLf(lines));
        return dir / name;
    }
};

TEST_F(CliTest, JsonLinesCsvAndTable) {
    const std::string file = Source("p.ASC", {SymbolLine("Pump1_On", "A", "0.1", "BOOL"), SymbolLine("Level", "EW", "12", "int"),
                                              SymbolLine("K\xE4lte \"1\",x", "M", "3", "REAL")});
    CliRun run = RunCli({"import", "--format", "jsonl", "--device-id=-12", "--messages", messages, file});
    EXPECT_EQ(run.status, 0) << run.err;
    auto json = [](const std::string& name, const std::string& tag, int area, int type, int address, bool sign) {
        return R"j({"Name":")j" + name + R"j(","SectionName":"p.ASC (Symbol file)","DeviceId":-12,"NestingLevel":1,)j" +
               R"j("TagAttribute":")j" + tag + R"j(","DataAreaId":)j" + std::to_string(area) + R"j(,"DataTypeId":)j" +
               std::to_string(type) + R"j(,"VariableLen":0,"FieldAdd1":)j" + std::to_string(address) +
               R"j(,"FieldAdd2":0,"FieldAdd3":0,"FieldAdd4":0,"FieldAdd5":0,"Sign":)j" + (sign ? "true" : "false") +
               R"j(,"Warning":false})j" + "\n";
    };
    EXPECT_EQ(run.out, json("Pump1_On", "BOOL", 4, 40, 0, false) + json("Level", "", 3, 31, 12, true) +
                           json("Kälte \\\"1\\\",x", "REAL", 2, 22, 3, false));  // in UTF-8, escaped
    run = RunCli({"import", "--format=csv", "--device-code", "1", "--messages", messages, file});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, kCsvHeader +
                           "Pump1_On,p.ASC (Symbol file),1,1,BOOL,4,40,0,0,0,0,0,0,false,false\r\n"
                           "Level,p.ASC (Symbol file),1,1,,3,31,0,12,0,0,0,0,true,false\r\n"
                           "\"Kälte \"\"1\"\",x\",p.ASC (Symbol file),1,1,REAL,2,22,0,3,0,0,0,0,false,false\r\n");
    run = RunCli({"import", "--format", "table", "--messages", messages, file});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(run.out.starts_with("Name         SectionName          DeviceId  ")) << run.out;
    EXPECT_NE(run.out.find("\nPump1_On     p.ASC (Symbol file)  1         "), std::string::npos) << run.out;
}

TEST_F(CliTest, OptionValuesInBothFormsAndTheEndOfOptions) {
    Source("-x.ASC", {SymbolLine("Dashed", "M", "1", "BYTE")});
    struct Case { std::vector<std::string> arguments; std::string expected; } cases[] = {
        {{"--device-id", "-7", "--device-name", "", "--", "-x.ASC"}, R"j("DeviceId":-7)j"},
        {{"--device-id=-2147483648", "--device-name=", "--", "-x.ASC"}, R"j("DeviceId":-2147483648)j"},
        {{"--device-id=+5", "--device-name=a=b", "-x.ASC"}, "not expected: -x.ASC"},
        {{"--device-code=2", "--", "-x.ASC"}, ""},  // device 2 has no markers
    };
    const auto previous = fs::current_path();
    fs::current_path(dir.path());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        std::vector<std::string> arguments = {"import", "--format=jsonl", "--messages=" + messages};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        CliRun run = RunCli(arguments);
        if (c.expected.starts_with("not expected")) {
            EXPECT_EQ(run.status, 2);
            EXPECT_NE(run.err.find(c.expected), std::string::npos) << run.err;
            continue;
        }
        EXPECT_EQ(run.status, 0) << run.err;
        if (c.expected.empty()) {
            EXPECT_EQ(run.out, "");
        } else {
            EXPECT_NE(run.out.find(R"j("SectionName":"-x.ASC (Symbol file)",)j" + c.expected + ","), std::string::npos) << run.out;
        }
    }
    fs::current_path(previous);
}

// Whatever the command line cannot use ends in the documented status (1: the import
// stopped or a source could not be read, 2: a wrong command line) and in a first line on
// standard error that names the file or option and the cause; never a stack trace.
TEST_F(CliTest, FailuresGiveTheDocumentedStatusAndOneLineNamingTheCause) {
    const std::string good = Source("Good.ASC", {SymbolLine("Pump", "M", "1", "BYTE")});
    const std::string clash = Source("Clash.ASC", {SymbolLine("Pump", "M", "1", "BYTE"), SymbolLine("Pump", "M", "2", "BYTE")});
    const std::string d = dir.path().string();
    fs::create_directories(dir / "Folder.AWL");
    WriteFile(dir / "plain", "a file where a folder belongs");
    fs::create_directories(dir / "root/app");  // a device database beside a missing component folder
    fs::copy_file(TESSARO_SAMPLE_DB, dir / "root/KorvoDEV.dbr");
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::vector<std::string> inFirstLine;
        bool variablesWritten;
    } cases[] = {
        {{}, 2, {"a command is wanted"}, false}, {{"export", good}, 2, {"export"}, false},
        {{"import"}, 2, {"FILE"}, false}, {{"import", "--format", "xml", good}, 2, {"xml"}, false},
        {{"import", "--language", "nl", good}, 2, {"nl"}, false},
        {{"import", "--codepage", "CP65001x", good}, 2, {"--codepage", "\"CP65001x\""}, false},
        {{"import", "--codepage=UTF-8", good}, 2, {"\"UTF-8\""}, false},
        {{"import", "--device-id", "12x", good}, 2, {"12x"}, false},
        {{"import", "--device-id=", good}, 2, {"--device-id"}, false},
        {{"import", "--device-id", "2147483648", good}, 2, {"2147483648"}, false},
        {{"import", "--device-code", "x1", good}, 2, {"x1"}, false},
        {{"import", "--frobnicate", good}, 2, {"--frobnicate"}, false}, {{"import", "-v", good}, 2, {"-v"}, false},
        {{"import", good, "--device-name"}, 2, {"--device-name"}, false},
        {{"import", "--component-dir", d, "--device-db", good, good}, 2, {"--device-db", "--component-dir"}, false},
        {{"devices", "extra"}, 2, {"extra"}, false},
        {{"import", "--format=csv", "--messages", messages, dir / "Missing.ASC", good}, 1,
         {"cannot read " + (dir / "Missing.ASC"), "No such file or directory"}, true},
        {{"import", "--format=csv", "--messages", messages, good, dir / "Folder.AWL"}, 1,
         {"cannot read " + (dir / "Folder.AWL"), "Is a directory"}, true},
        {{"import", "--device-db", dir / "None.dbr", good}, 1,
         {"cannot open the device database " + (dir / "None.dbr"), "No such file or directory"}, false},
        {{"import", "--device-db", d, good}, 1, {"cannot open the device database " + d}, false},
        {{"import", "--component-dir", (dir / "plain") + "/bin", good}, 1,
         {"cannot write the message files in " + (dir / "plain") + "/bin", "Not a directory"}, false},
        {{"import", "--component-dir", (dir / "root") + "/app/bin", good}, 1,
         {"cannot write the message files in " + (dir / "root") + "/app/bin", "No such file or directory"}, false},
        {{"import", "--format=csv", "--messages", d, clash}, 1, {"cannot append the messages to " + d}, true},
        {{"devices", "--device-db", dir / "None.dbr"}, 1, {dir / "None.dbr", "No such file or directory"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.empty() ? "" : c.arguments.back());
        CliRun run = RunCli(c.arguments);
        EXPECT_EQ(run.status, c.status) << run.err;
        const std::string first = run.err.substr(0, run.err.find('\n'));
        EXPECT_TRUE(first.starts_with("tessaro: ")) << run.err;
        for (const auto& part : c.inFirstLine) EXPECT_NE(first.find(part), std::string::npos) << part << "\n" << run.err;
        EXPECT_EQ(run.err.find("terminate called"), std::string::npos) << run.err;
        const long lines = std::count(run.err.begin(), run.err.end(), '\n');
        EXPECT_TRUE(c.status == 2 ? run.err.find("Usage:") != std::string::npos && run.out.empty()
                                  : c.variablesWritten || lines == 1)
            << run.err;
        EXPECT_EQ(run.out.find("Pump") != std::string::npos, c.variablesWritten) << run.out;
    }
    CliRun help = RunCli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("tessaro import [options] FILE..."), std::string::npos);
}

TEST_F(CliTest, FilesInTheOrderGivenAndAHintForALoneLineFeed) {
    const std::string a = Source("a.ASC", {SymbolLine("Pump", "A", "1", "BOOL")});
    const std::string b = Source("b.ASC", {SymbolLine("PUMP", "M", "2", "BYTE"), SymbolLine("Fan", "M", "3", "BYTE")});
    WriteFile(dir / "lf.asc", SymbolLine("First", "M", "1", "BYTE") + "\n" + SymbolLine("Second", "M", "2", "BYTE") + "\n");
    WriteFile(dir / "lf.txt", "a\nb\n");  // not a source: no hint
    CliRun run = RunCli({"import", "--format=csv", "--messages", messages, b, a, dir / "lf.asc", dir / "lf.txt"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, kCsvHeader + "PUMP,b.ASC (Symbol file),1,1,,2,20,0,2,0,0,0,0,false,false\r\n"
                                    "Fan,b.ASC (Symbol file),1,1,,2,20,0,3,0,0,0,0,false,false\r\n"
                                    "First,lf.asc (Symbol file),1,1,,2,20,0,1,0,0,0,0,false,false\r\n");
    EXPECT_EQ(run.err, "tessaro: hint: " + (dir / "lf.asc") +
                           " has lines ending in LF alone; the import reads up to CR or CR LF, so such lines run "
                           "together (convert the file to CR LF line ends)\n");
}

TEST_F(CliTest, DevicesListsTheSampleDatabase) {
    CliRun run = RunCli({"devices"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Device 1\n  Area 1  DBW\n    Type 10  Byte\n    Type 11  Word\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Device 2\n  Area 101   dbw \n    Type 1001  byte\n"), std::string::npos) << run.out;
}

// The merged file with its header time masked.
std::string Masked(const std::string& merged) {
    return std::regex_replace(merged, std::regex("--\\d\\d-\\d\\d-\\d\\d \\d\\d\\.\\d\\d\\.\\d\\d\r\n"), "--MM-DD-YY HH.MM.SS\r\n");
}

TEST_F(CliTest, TheComponentLayoutGetsTheMergedFile) {
    const std::string root = dir / "plant", component = root + "/app/bin";
    fs::create_directories(component);
    test::WriteSqliteDatabase(root + "/KorvoDEV.dbr", ReadFile(std::string(TESSARO_SOURCE_DIR) + "/samples/devicedb.sql"));
    const std::string file = Source("p.ASC", {SymbolLine("Horn", "A", "1", "BOOL"), SymbolLine("Probe", "PEW", "2", "WORD")});
    const std::string block = test::MergedImport(
        "--Line 1--MM-DD-YY HH.MM.SS",
        {{"Conversion of data type of the variable", {"Symbol Files", "BOOL->Byte                     Horn"}},
         {"Data type of variable not appropriate for the import or not managed from the protocol", {"Symbol Files", "Probe"}}});
    CliRun run = RunCli({"import", "--format=csv", "--component-dir", component, "--device-name", "Line 1", file});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_NE(run.out.find("\r\nHorn,p.ASC (Symbol file),1,1,BOOL,4,40,"), std::string::npos) << run.out;
    EXPECT_EQ(Masked(ReadFile(root + "/app/Messenger.Msg")), block);
    // A second run appends its own block; the partial files are gone.
    run = RunCli({"import", "--format=csv", "--component-dir=" + component + "/", "--device-name=Line 1", file});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Masked(ReadFile(root + "/app/Messenger.Msg")), block + block);
    for (int i = 1; i <= 6; ++i) EXPECT_FALSE(fs::exists(component + "/" + std::to_string(i) + ".Msg"));
    // The database missing from its place: exit 1, the partial files stay.
    fs::remove(root + "/KorvoDEV.dbr");
    run = RunCli({"import", "--format=csv", "--component-dir", component, file});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("cannot open the device database"), std::string::npos) << run.err;
    EXPECT_TRUE(fs::exists(component + "/1.Msg"));
}

TEST_F(CliTest, MessagesGoToStandardErrorOrAreAppendedInTheChosenLanguage) {
    const std::string file = Source("p.ASC", {SymbolLine("Horn", "A", "1", "BOOL")});
    CliRun run = RunCli({"import", "--format=jsonl", "--language", "fr", file});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("-Conversion de type de donn\xC3\xA9" "es de la variable\r\n"), std::string::npos) << run.err;  // UTF-8
    EXPECT_NE(run.err.find("BOOL->Byte                     Horn\r\n"), std::string::npos);
    WriteFile(messages, "earlier\r\n");
    for (const char* language : {"de", "en"}) {
        run = RunCli({"import", "--format=jsonl", "--language=" + std::string(language), "--messages", messages, file});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "");
    }
    const std::string appended = ReadFile(messages);
    EXPECT_TRUE(appended.starts_with("earlier\r\n\r\n----")) << appended;
    const size_t german = appended.find("-Konversion des Datentyps der Variable\r\n");
    EXPECT_NE(german, std::string::npos);
    EXPECT_LT(german, appended.find("-Conversion of data type of the variable\r\n"));
    // Chinese texts: the page is CP936 unless one is named; standard error stays UTF-8.
    run = RunCli({"import", "--format=jsonl", "--language", "zh", file});
    EXPECT_NE(run.err.find("-变量的数据类型的转换\r\n"), std::string::npos) << run.err;
    run = RunCli({"import", "--format=jsonl", "--language", "zh", file}, "TESSARO_CODEPAGE=nonsense");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("TESSARO_CODEPAGE names no known code page: \"nonsense\""), std::string::npos) << run.err;
    // Without the option, the user's own settings decide (here: none, so English).
    run = RunCli({"import", "--format=jsonl", file}, "TESSARO_USER_REGISTRY=/nonexistent");
    EXPECT_NE(run.err.find("-Conversion of data type of the variable\r\n"), std::string::npos) << run.err;
    // The sample plant: all symbols but the periphery and the FC.
    run = RunCli({"import", "--format=jsonl", "--messages", messages, std::string(TESSARO_SOURCE_DIR) + "/samples/plant/Plant.ASC"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 34);
}

}  // namespace
}  // namespace tessaro
