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
        {{"--device-id=+5", "--device-name=a=b", "-x.ASC"}, "not expected: unknown option -x.ASC for import"},
        {{"--device-code=2", "--", "-x.ASC"}, ""},  // device 2 has no markers
    };
    const auto previous = fs::current_path();
    fs::current_path(dir.path());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        std::vector<std::string> arguments = {"import", "--format=jsonl", "--messages=" + messages};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        CliRun run = RunCli(arguments);
        if (c.expected.starts_with("not expected: ")) {
            EXPECT_EQ(run.status, 2);
            EXPECT_NE(run.err.find(c.expected.substr(14)), std::string::npos) << run.err;
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
// stopped, a FILE was skipped or could not be read, 2: a wrong command line) and in a
// first line on standard error that names the file or option and the cause; never a
// stack trace. A wrong command line gets that line and where to find help, nothing more.
TEST_F(CliTest, FailuresGiveTheDocumentedStatusAndOneLineNamingTheCause) {
    const std::string good = Source("Good.ASC", {SymbolLine("Pump", "M", "1", "BYTE")});
    const std::string clash = Source("Clash.ASC", {SymbolLine("Pump", "M", "1", "BYTE"), SymbolLine("Pump", "M", "2", "BYTE")});
    const std::string d = dir.path().string();
    fs::create_directories(dir / "Folder.AWL");
    WriteFile(dir / "plain", "a file where a folder belongs");
    WriteFile(dir / "plant.txt", SymbolLine("Pump", "M", "1", "BYTE") + "\r\n");
    fs::create_directories(dir / "Export");
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
        {{"import", "--device-id", "12x", good}, 2, {"12x"}, false},
        {{"import", "--device-id=", good}, 2, {"--device-id"}, false},
        {{"import", "--device-id", "2147483648", good}, 2, {"2147483648"}, false},
        {{"import", "--device-code", "x1", good}, 2, {"x1"}, false},
        {{"import", "--frobnicate", good}, 2, {"unknown option --frobnicate for import"}, false},
        {{"import", "-v", good}, 2, {"-v"}, false},
        {{"import", "--format", "csv", "--format=jsonl", good}, 2, {"--format is given more than once"}, false},
        {{"import", "--normalize=yes", good}, 2, {"--normalize takes no value"}, false},
        {{"import", "--columns", "Name,DataAreID", good}, 2, {"no column is named \"DataAreID\"", "did you mean 'DataAreaId'"}, false},
        {{"import", "--language", "7", good}, 2, {"en, it, fr, es, de, zh or a number 1-6", "\"7\""}, false},
        {{"imprt", good}, 2, {"unknown command \"imprt\"; did you mean 'import'?"}, false},
        {{"import", "--langauge", "de", good}, 2, {"did you mean '--language'?"}, false},
        {{"import", "--force", good}, 2, {"--force goes with 'tessaro devices'"}, false},
        {{"help", "devcies"}, 2, {"did you mean 'devices'?"}, false},
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
        {{"devices", "--export-sqlite", "/dev/null", "--force"}, 1, {"/dev/null: not a plain file, not replaced"}, false},
        {{"devices", "--export-sqlite", dir / "no/such/folder.dbr"}, 1, {dir / "no/such/folder.dbr"}, false},
        // Every kind of FILE the import does not read: named with the reason, the rest imported.
        {{"import", "--format=csv", "--messages", messages, good, dir / "plant.txt"}, 1,
         {"skipped " + (dir / "plant.txt") + ": the name does not end in .ASC or .AWL"}, true},
        {{"import", "--format=csv", "--messages", messages, good, dir / "Export"}, 1,
         {"skipped " + (dir / "Export") + ": a folder, not a file"}, true},
        {{"import", "--format=csv", "--messages", messages, good, "-"}, 1, {"skipped -: standard input is not read"}, true},
        {{"import", "--format=csv", "--messages", messages, good, "/dev/stdin"}, 1,
         {"skipped /dev/stdin: not a plain file"}, true},
        {{"import", "--format=csv", "--messages", messages, good, "/bin/ls"}, 1,
         {"skipped /bin/ls: the name does not end in .ASC or .AWL"}, true},
        {{"import", "--format=csv", "--messages", dir / "no/such/folder.msg", clash}, 1,
         {"cannot append the messages to " + (dir / "no/such/folder.msg") + ": No such file or directory"}, true},
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
        if (c.status == 2) {
            const std::string help = !c.arguments.empty() && (c.arguments[0] == "import" || c.arguments[0] == "devices")
                                         ? "Try 'tessaro " + c.arguments[0] + " --help'.\n"
                                         : "Try 'tessaro --help'.\n";
            EXPECT_EQ(run.err, first + "\n" + help);
            EXPECT_EQ(run.out, "");
        } else {
            EXPECT_TRUE(c.variablesWritten || lines == 1) << run.err;
        }
        EXPECT_EQ(run.out.find("Pump") != std::string::npos, c.variablesWritten) << run.out;
    }
}

// Help: the general page, and a page per command with its options and examples, reached
// in either spelling; the version names the commit or says there is none.
TEST_F(CliTest, HelpPagesAndVersion) {
    const std::string good = Source("Good.ASC", {SymbolLine("Pump", "M", "1", "BYTE")});
    CliRun general = RunCli({"--help"});
    EXPECT_EQ(general.status, 0);
    EXPECT_NE(general.out.find("tessaro import [options] FILE..."), std::string::npos);
    EXPECT_EQ(RunCli({"help"}).out, general.out);
    for (const std::string command : {"import", "devices"}) {
        CliRun page = RunCli({"help", command});
        EXPECT_EQ(page.status, 0);
        EXPECT_TRUE(page.out.starts_with("Usage: tessaro " + command)) << page.out;
        EXPECT_NE(page.out.find("\nExamples:\n  tessaro " + command), std::string::npos) << page.out;
        EXPECT_EQ(RunCli({command, "--help"}).out, page.out);
        EXPECT_EQ(RunCli({command, "-h"}).out, page.out);
    }
    EXPECT_EQ(RunCli({"import", "--format=csv", good, "--help"}).out, RunCli({"help", "import"}).out);  // nothing imported
    for (const std::string option : {"--device-db", "--columns", "--normalize", "--messages", "--language"})
        EXPECT_NE(RunCli({"help", "import"}).out.find("  " + option), std::string::npos) << option;
    CliRun version = RunCli({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(std::regex_match(version.out, std::regex("tessaro [0-9]+\\.[0-9]+\\.[0-9]+ \\((commit [0-9a-f]{12}.*|not built "
                                                         "from a git checkout)\\)\n")))
        << version.out;
}

TEST_F(CliTest, FilesInTheOrderGivenAndAHintForALoneLineFeed) {
    const std::string a = Source("a.ASC", {SymbolLine("Pump", "A", "1", "BOOL")});
    const std::string b = Source("b.ASC", {SymbolLine("PUMP", "M", "2", "BYTE"), SymbolLine("Fan", "M", "3", "BYTE")});
    WriteFile(dir / "lf.asc", SymbolLine("First", "M", "1", "BYTE") + "\n" + SymbolLine("Second", "M", "2", "BYTE") + "\n");
    WriteFile(dir / "lf.txt", "a\nb\n");  // not a source: no hint
    CliRun run = RunCli({"import", "--format=csv", "--messages", messages, b, a, dir / "lf.asc", dir / "lf.txt"});
    ASSERT_EQ(run.status, 1) << run.err;  // lf.txt is skipped
    EXPECT_EQ(run.out, kCsvHeader + "PUMP,b.ASC (Symbol file),1,1,,2,20,0,2,0,0,0,0,false,false\r\n"
                                    "Fan,b.ASC (Symbol file),1,1,,2,20,0,3,0,0,0,0,false,false\r\n"
                                    "First,lf.asc (Symbol file),1,1,,2,20,0,1,0,0,0,0,false,false\r\n");
    EXPECT_EQ(run.err, "tessaro: hint: " + (dir / "lf.asc") +
                           " has lines ending in LF alone; the import reads up to CR or CR LF, so such lines run "
                           "together (convert the file to CR LF line ends, or use --normalize)\n"
                           "tessaro: skipped " + (dir / "lf.txt") + ": the name does not end in .ASC or .AWL; only files "
                           "named *.ASC or *.AWL are imported\n");
}

// --columns picks and orders the columns of every format, names in any letter case.
TEST_F(CliTest, ChosenColumnsInEveryFormat) {
    const std::string file = Source("p.ASC", {SymbolLine("Level", "EW", "12", "int"), SymbolLine("A,b", "M", "3", "REAL")});
    const std::vector<std::string> base = {"import", "--messages", messages, "--columns", "fieldadd1,Name,Sign"};
    auto run = [&](const std::string& format) {
        std::vector<std::string> arguments = base;
        arguments.insert(arguments.end(), {"--format", format, file});
        CliRun result = RunCli(arguments);
        EXPECT_EQ(result.status, 0) << result.err;
        return result.out;
    };
    EXPECT_EQ(run("csv"), "FieldAdd1,Name,Sign\r\n12,Level,true\r\n3,\"A,b\",false\r\n");
    EXPECT_EQ(run("jsonl"), "{\"FieldAdd1\":12,\"Name\":\"Level\",\"Sign\":true}\n{\"FieldAdd1\":3,\"Name\":\"A,b\",\"Sign\":false}\n");
    EXPECT_EQ(run("table"), "FieldAdd1  Name   Sign\n12         Level  true\n3          A,b    false\n");  // off a terminal: unchanged
}

// --language takes the six codes in any letter case and their numbers.
TEST_F(CliTest, LanguageByCodeInAnyCaseOrByNumber) {
    const std::string file = Source("p.ASC", {SymbolLine("Horn", "A", "1", "BOOL")});
    for (const std::string language : {"DE", "De", "5"}) {
        CliRun run = RunCli({"import", "--format=jsonl", "--language", language, file});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_NE(run.err.find("-Konversion des Datentyps der Variable\r\n"), std::string::npos) << language;
    }
}

// Before the import the command line names the causes it can see in the device
// database, one line each; the import and its messages stay as they are.
TEST_F(CliTest, WarningsNameAMissingDeviceCodeOrTable) {
    const std::string file = Source("p.ASC", {SymbolLine("Horn", "A", "1", "BOOL")});
    CliRun run = RunCli({"import", "--format=csv", "--device-code", "99", "--messages", messages, file});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, kCsvHeader);
    EXPECT_TRUE(run.err.starts_with("tessaro: warning: device code 99 is not in " + std::string(TESSARO_SAMPLE_DB) + ";"))
        << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1);
    test::WriteSqliteDatabase(dir / "areas.dbr", "CREATE TABLE DeviceDataArea (DeviceId INTEGER, DeviceDataAreaId INTEGER, "
                                                 "Name TEXT); INSERT INTO DeviceDataArea VALUES (1, 4, 'Output');");
    run = RunCli({"import", "--format=csv", "--device-db", dir / "areas.dbr", "--messages", messages, file});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.err.starts_with("tessaro: warning: the device database " + (dir / "areas.dbr") +
                                    " lacks the table DeviceDataType ("))
        << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1);
    EXPECT_NE(ReadFile(messages).find("File access error"), std::string::npos);  // the component's own report
}

// --normalize imports copies with CR LF line ends and blanks for tabs, and says which
// files it changed: a source that went through Unix tools then gives the records of
// its CR LF, blank-indented original. Without the option the files are read as given.
TEST_F(CliTest, NormalizeReadsLineFeedAndTabFilesAsTheirCrLfBlankTwins) {
    const std::vector<std::string> symbols = {SymbolLine("Speed", "MW", "10", "INT"), SymbolLine("Block", "DB", "12", "DB 12")};
    const std::vector<std::string> block = {"DATA_BLOCK DB 12", "  STRUCT", "   Speed : INT ;", "   On : BOOL ;",
                                            "   Text : STRING [4] ;", "  END_STRUCT ;", "BEGIN",
                                            "   Speed := 120;", "   On := TRUE;", "   Text := 'ab';", "END_DATA_BLOCK"};
    auto unix = [](const std::vector<std::string>& lines) {
        std::string text;
        for (std::string line : lines) {
            if (line.starts_with("   ")) line = "\t" + line.substr(3);
            text += line + "\n";
        }
        return text;
    };
    fs::create_directories(dir / "crlf");
    fs::create_directories(dir / "unix");
    WriteFile(dir / "crlf/p.ASC", CrLf(symbols));
    WriteFile(dir / "crlf/p.AWL", CrLf(block));
    WriteFile(dir / "unix/p.ASC", unix(symbols));
    WriteFile(dir / "unix/p.AWL", unix(block));
    CliRun original = RunCli({"import", "--format=jsonl", "--messages", messages, dir / "crlf/p.ASC", dir / "crlf/p.AWL"});
    ASSERT_EQ(original.status, 0) << original.err;
    ASSERT_EQ(std::count(original.out.begin(), original.out.end(), '\n'), 5) << original.out;
    CliRun normalized = RunCli({"import", "--format=jsonl", "--normalize", "--messages", messages, dir / "unix/p.ASC",
                                dir / "unix/p.AWL", dir / "crlf/p.ASC"});
    ASSERT_EQ(normalized.status, 0) << normalized.err;
    EXPECT_TRUE(normalized.out.starts_with(original.out)) << normalized.out;
    EXPECT_EQ(normalized.err, "tessaro: normalized " + (dir / "unix/p.ASC") +
                                  ": 2 lone LFs made CR LF; the import reads the copy\n"
                                  "tessaro: normalized " + (dir / "unix/p.AWL") +
                                  ": 11 lone LFs made CR LF, tabs made blanks in 6 lines; the import reads the copy\n");
    CliRun asGiven = RunCli({"import", "--format=jsonl", "--messages", messages, dir / "unix/p.ASC", dir / "unix/p.AWL"});
    EXPECT_NE(asGiven.out, original.out);
    EXPECT_NE(asGiven.err.find("has lines ending in LF alone"), std::string::npos) << asGiven.err;
    // A CR LF file with tabs in its value lines gets a hint naming the first such line.
    WriteFile(dir / "tabs.AWL", CrLf({"DATA_BLOCK DB 3", "  STRUCT", "\tOn : BOOL ;", "  END_STRUCT ;", "BEGIN",
                                      "   On := TRUE;", "\tOn := FALSE;", "END_DATA_BLOCK"}));
    CliRun tabs = RunCli({"import", "--format=jsonl", "--messages", messages, dir / "tabs.AWL"});
    EXPECT_EQ(tabs.err, "tessaro: hint: " + (dir / "tabs.AWL") +
                            " has tab characters in 1 value line of its data blocks (the first is line 7); the import "
                            "may stop at such a line with a file error (use --normalize)\n");
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
