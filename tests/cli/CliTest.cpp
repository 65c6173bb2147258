// The built tessaro binary, run as a user runs it.

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace tessaro {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

struct Result {
    int status;
    std::string out, err;
};

std::string Quoted(const std::string& argument) {
    std::string quoted = "'";
    for (char c : argument) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

Result Tessaro(const std::vector<std::string>& arguments, const std::string& environment = "") {
    TempDir io;
    std::string command = environment + " " + Quoted(TESSARO_CLI_PATH);
    for (const auto& argument : arguments) command += " " + Quoted(argument);
    command += " </dev/null >" + (io / "out") + " 2>" + (io / "err");
    int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(io / "out"), ReadFile(io / "err")};
}

std::string SymbolLine(std::string symbol, std::string area, std::string address, std::string type) {
    symbol.resize(24, ' ');
    area.resize(3, ' ');
    address.resize(7, ' ');
    type.resize(8, ' ');
    return "126," + symbol + area + " " + address + type + "\r\n";
}

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::string(TESSARO_CLI_PATH).empty()) GTEST_SKIP() << "built without the command line";
    }
    TempDir dir;
    std::string Source(const std::string& name, const std::string& content) {
        WriteFile(dir / name, content);
        return dir / name;
    }
};

TEST_F(CliTest, JsonLinesHaveTheKeysInOrderAndTheValues) {
    const std::string file = Source("p.ASC", SymbolLine("Pump1_On", "A", "0.1", "BOOL") +
                                                 SymbolLine("Level", "EW", "12", "int") +
                                                 SymbolLine("K\xE4lte \"1\"", "M", "3", "REAL"));
    Result run = Tessaro({"import", "--format", "jsonl", "--device-id=-12", "--messages", dir / "m.txt", file});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              R"j({"Name":"Pump1_On","SectionName":"p.ASC (Symbol file)","DeviceId":-12,"NestingLevel":1,)j"
              R"j("TagAttribute":"BOOL","DataAreaId":4,"DataTypeId":40,"VariableLen":0,"FieldAdd1":0,"FieldAdd2":0,)j"
              R"j("FieldAdd3":0,"FieldAdd4":0,"FieldAdd5":0,"Sign":false,"Warning":false})j"
              "\n"
              R"j({"Name":"Level","SectionName":"p.ASC (Symbol file)","DeviceId":-12,"NestingLevel":1,)j"
              R"j("TagAttribute":"","DataAreaId":3,"DataTypeId":31,"VariableLen":0,"FieldAdd1":12,"FieldAdd2":0,)j"
              R"j("FieldAdd3":0,"FieldAdd4":0,"FieldAdd5":0,"Sign":true,"Warning":false})j"
              "\n"
              R"j({"Name":"Kälte \"1\"","SectionName":"p.ASC (Symbol file)","DeviceId":-12,"NestingLevel":1,)j"
              R"j("TagAttribute":"REAL","DataAreaId":2,"DataTypeId":22,"VariableLen":0,"FieldAdd1":3,"FieldAdd2":0,)j"
              R"j("FieldAdd3":0,"FieldAdd4":0,"FieldAdd5":0,"Sign":false,"Warning":false})j"
              "\n");
}

TEST_F(CliTest, CsvFollowsRfc4180) {
    const std::string file = Source("p.ASC", SymbolLine("Pump,1", "A", "0.1", "BOOL") +
                                                 SymbolLine("Say \"hi\"", "M", "2", "BYTE"));
    Result run = Tessaro({"import", "--format=csv", "--device-code", "1", "--messages", dir / "m.txt", file});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "Name,SectionName,DeviceId,NestingLevel,TagAttribute,DataAreaId,DataTypeId,VariableLen,FieldAdd1,"
              "FieldAdd2,FieldAdd3,FieldAdd4,FieldAdd5,Sign,Warning\r\n"
              "\"Pump,1\",p.ASC (Symbol file),1,1,BOOL,4,40,0,0,0,0,0,0,false,false\r\n"
              "\"Say \"\"hi\"\"\",p.ASC (Symbol file),1,1,,2,20,0,2,0,0,0,0,false,false\r\n");
}

TEST_F(CliTest, TheTableIsAligned) {
    const std::string file = Source("p.ASC", SymbolLine("A", "A", "0.1", "BOOL") + SymbolLine("Longer", "M", "2", "BYTE"));
    Result run = Tessaro({"import", "--format", "table", "--messages", dir / "m.txt", file});
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<std::string> lines;
    for (size_t at = 0, next; (next = run.out.find('\n', at)) != std::string::npos; at = next + 1)
        lines.push_back(run.out.substr(at, next - at));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_TRUE(lines[0].starts_with("Name    SectionName          DeviceId  ")) << lines[0];
    EXPECT_TRUE(lines[1].starts_with("A       p.ASC (Symbol file)  1         ")) << lines[1];
    EXPECT_TRUE(lines[2].starts_with("Longer  p.ASC (Symbol file)  1         ")) << lines[2];
}

TEST_F(CliTest, OptionValuesInBothFormsAndTheEndOfOptions) {
    const std::string dashed = Source("-x.ASC", SymbolLine("Dashed", "M", "1", "BYTE"));
    struct Case {
        std::vector<std::string> arguments;
        std::string expected;
    } cases[] = {
        {{"--device-id", "-7", "--device-name", "", "--", "-x.ASC"}, R"j("DeviceId":-7)j"},
        {{"--device-id=-2147483648", "--device-name=", "--", "-x.ASC"}, R"j("DeviceId":-2147483648)j"},
        {{"--device-id=+5", "--device-name=a=b", "-x.ASC"}, "not expected: -x.ASC"},
        {{"--device-code=2", "--", "-x.ASC"}, ""},  // device 2 has no markers
    };
    for (const auto& c : cases) {
        std::vector<std::string> arguments = {"import", "--format=jsonl", "--messages=" + (dir / "m.txt")};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const auto previous = std::filesystem::current_path();
        std::filesystem::current_path(dir.path());
        Result run = Tessaro(arguments);
        std::filesystem::current_path(previous);
        SCOPED_TRACE(c.expected);
        if (c.expected.starts_with("not expected")) {
            EXPECT_EQ(run.status, 2);
            EXPECT_NE(run.err.find(c.expected), std::string::npos) << run.err;
        } else if (c.expected.empty()) {
            EXPECT_EQ(run.status, 0) << run.err;
            EXPECT_EQ(run.out, "");
        } else {
            EXPECT_EQ(run.status, 0) << run.err;
            EXPECT_NE(run.out.find(c.expected), std::string::npos) << run.out;
            EXPECT_NE(run.out.find(R"j("SectionName":"-x.ASC (Symbol file)")j"), std::string::npos) << run.out;
        }
    }
    (void)dashed;
}

TEST_F(CliTest, UsageErrorsExitWithTwo) {
    const std::string file = Source("p.ASC", SymbolLine("A", "M", "1", "BYTE"));
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"export", file},
        {"import"},
        {"import", "--format", "xml", file},
        {"import", "--language", "nl", file},
        {"import", "--device-id", "12x", file},
        {"import", "--device-id=", file},
        {"import", "--device-id", "2147483648", file},
        {"import", "--bogus", file},
        {"import", "-v", file},
        {"import", file, "--device-name"},
        {"import", "--component-dir", dir.path().string(), "--device-db", file, file},
        {"devices", "extra"},
    };
    for (const auto& arguments : cases) {
        Result run = Tessaro(arguments);
        EXPECT_EQ(run.status, 2) << (arguments.empty() ? "" : arguments.front()) << " " << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("Usage:"), std::string::npos);
    }
    Result help = Tessaro({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("tessaro import [options] FILE..."), std::string::npos);
}

TEST_F(CliTest, AMissingDeviceDatabaseExitsWithOneAndAReason) {
    const std::string file = Source("p.ASC", SymbolLine("A", "M", "1", "BYTE"));
    Result run = Tessaro({"import", "--format=jsonl", "--device-db", dir / "none.dbr", file});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("cannot open the device database " + (dir / "none.dbr")), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
}

TEST_F(CliTest, FilesAreImportedInTheOrderGiven) {
    const std::string a = Source("a.ASC", SymbolLine("Pump", "A", "1", "BOOL"));
    const std::string b = Source("b.ASC", SymbolLine("PUMP", "M", "2", "BYTE") + SymbolLine("Fan", "M", "3", "BYTE"));
    Result run = Tessaro({"import", "--format=csv", "--messages", dir / "m.txt", b, a, dir / "notes.txt"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("\r\nPUMP,b.ASC (Symbol file),"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\r\nFan,b.ASC"), std::string::npos);
    EXPECT_EQ(run.out.find("a.ASC"), std::string::npos);
}

TEST_F(CliTest, ALoneLineFeedGetsAHintAndChangesNothing) {
    std::string lf = SymbolLine("First", "M", "1", "BYTE") + SymbolLine("Second", "M", "2", "BYTE");
    lf.erase(std::remove(lf.begin(), lf.end(), '\r'), lf.end());
    const std::string file = Source("lf.asc", lf);
    const std::string crlf = Source("crlf.ASC", SymbolLine("Third", "M", "3", "BYTE"));
    const std::string text = Source("lf.txt", "a\nb\n");
    Result run = Tessaro({"import", "--format=csv", "--messages", dir / "m.txt", file, crlf, text});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("\r\nFirst,lf.asc"), std::string::npos);
    EXPECT_EQ(run.out.find("Second"), std::string::npos);  // read as part of the first line
    EXPECT_EQ(run.err, "tessaro: hint: " + file +
                           " has lines ending in LF alone; the import reads up to CR or CR LF, so such lines run "
                           "together (convert the file to CR LF line ends)\n");
}

TEST_F(CliTest, DevicesListsTheSampleDatabase) {
    Result run = Tessaro({"devices"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Device 1\n  Area 1  DBW\n    Type 10  Byte\n    Type 11  Word\n"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("Device 2\n  Area 101   dbw \n    Type 1001  byte\n"), std::string::npos) << run.out;
    Result missing = Tessaro({"devices", "--device-db=" + (dir / "none.dbr")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
}

// The merged file with its header time masked.
std::string Masked(const std::string& merged) {
    return std::regex_replace(merged, std::regex("--\\d\\d-\\d\\d-\\d\\d \\d\\d\\.\\d\\d\\.\\d\\d\r\n"), "--MM-DD-YY HH.MM.SS\r\n");
}

TEST_F(CliTest, TheComponentLayoutGetsTheMergedFile) {
    const std::string root = dir / "plant";
    const std::string component = root + "/app/bin";
    std::filesystem::create_directories(component);
    test::WriteSqliteDatabase(root + "/KorvoDEV.dbr", ReadFile(std::string(TESSARO_SOURCE_DIR) + "/samples/devicedb.sql"));
    const std::string file = Source("p.ASC", SymbolLine("Horn", "A", "1", "BOOL") + SymbolLine("Probe", "PEW", "2", "WORD"));
    const std::string block = "\r\n--Line 1--MM-DD-YY HH.MM.SS\r\n\r\n\r\n"
                              "-Conversion of data type of the variable\r\n\r\nSymbol Files\r\n\r\n"
                              "BOOL->Byte                     Horn\r\n\r\n"
                              "-Data type of variable not appropriate for the import or not managed from the protocol"
                              "\r\n\r\nSymbol Files\r\n\r\nProbe\r\n\r\n";
    Result run = Tessaro({"import", "--format=csv", "--component-dir", component, "--device-name", "Line 1", file});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_NE(run.out.find("\r\nHorn,p.ASC (Symbol file),1,1,BOOL,4,40,"), std::string::npos) << run.out;
    EXPECT_EQ(Masked(ReadFile(root + "/app/Messenger.Msg")), block);
    // A second run appends its own block; the partial files are gone.
    run = Tessaro({"import", "--format=csv", "--component-dir=" + component + "/", "--device-name=Line 1", file});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Masked(ReadFile(root + "/app/Messenger.Msg")), block + block);
    for (int i = 1; i <= 6; ++i) EXPECT_FALSE(std::filesystem::exists(component + "/" + std::to_string(i) + ".Msg"));
    // The database missing from its place: exit 1, the partial files stay.
    std::filesystem::remove(root + "/KorvoDEV.dbr");
    run = Tessaro({"import", "--format=csv", "--component-dir", component, file});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("cannot open the device database"), std::string::npos) << run.err;
    EXPECT_TRUE(std::filesystem::exists(component + "/1.Msg"));
}

TEST_F(CliTest, MessagesGoToStandardErrorOrAreAppendedInTheChosenLanguage) {
    const std::string file = Source("p.ASC", SymbolLine("Horn", "A", "1", "BOOL"));
    const std::string french = "-Conversion de type de donn\xC3\xA9" "es de la variable\r\n";
    Result run = Tessaro({"import", "--format=jsonl", "--language", "fr", file});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find(french), std::string::npos) << run.err;  // converted to UTF-8
    EXPECT_NE(run.err.find("BOOL->Byte                     Horn\r\n"), std::string::npos);
    const std::string messages = dir / "messages.txt";
    WriteFile(messages, "earlier\r\n");
    for (const char* language : {"de", "en"}) {
        run = Tessaro({"import", "--format=jsonl", "--language=" + std::string(language), "--messages", messages, file});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "");
    }
    const std::string appended = ReadFile(messages);
    EXPECT_TRUE(appended.starts_with("earlier\r\n\r\n----")) << appended;
    const size_t german = appended.find("-Konversion des Datentyps der Variable\r\n");
    const size_t english = appended.find("-Conversion of data type of the variable\r\n");
    EXPECT_NE(german, std::string::npos);
    EXPECT_NE(english, std::string::npos);
    EXPECT_LT(german, english);
    // Without the option, the user's own settings decide (here: none, so English).
    run = Tessaro({"import", "--format=jsonl", file}, "TESSARO_USER_REGISTRY=/nonexistent");
    EXPECT_NE(run.err.find("-Conversion of data type of the variable\r\n"), std::string::npos) << run.err;
}

TEST_F(CliTest, TheSamplePlantImports) {
    Result run = Tessaro({"import", "--format=jsonl", "--messages", dir / "m.txt",
                       std::string(TESSARO_SOURCE_DIR) + "/samples/plant/Plant.ASC"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 34);  // all but the periphery and the FC
    EXPECT_EQ(run.err, "");
}

}  // namespace
}  // namespace tessaro
