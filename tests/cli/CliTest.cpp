// The built tessaro binary, run as a user runs it: what the records of the corpus (its
// cases run through tessaro import --format jsonl) do not show.

#include "TestSupport.h"
#include "devicedb/SqliteStore.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tessaro::test {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Joined(std::vector<std::string> first, const std::vector<std::string>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

class CliTest : public ::testing::Test {
protected:
    void SetUp() override { if (std::string(TESSARO_CLI_PATH).empty()) GTEST_SKIP() << "built without the command line"; }
    std::string Source(const std::string& name, const std::vector<std::string>& lines) {
        WriteFile(dir / name, CrLf(lines));
        return dir / name;
    }
    TempDir dir;
    const std::string messages = dir / "m.txt";
    const std::string good = Source("Good.ASC", {SymbolLine("Pump", "M", "1", "BYTE")});
    const std::string horn = Source("Horn.ASC", {SymbolLine("Horn", "A", "1", "BOOL")});
};

// Every format with all columns or with --columns (names in any letter case, in the order
// given): CSV quotes and doubles, JSON escapes, both in UTF-8; off a terminal a table is
// not cut. Options take their values in both forms; "--" ends the options.
TEST_F(CliTest, FormatsColumnsAndOptionForms) {
    Source("q.ASC", {SymbolLine("Level", "EW", "12", "int"), SymbolLine("K\xE4lte \"1\",x", "M", "3", "REAL")});
    Source("-x.ASC", {SymbolLine("Dashed", "M", "1", "BYTE")});
    const std::string columns = "--columns=fieldadd1,Name,Sign";
    struct Case { std::vector<std::string> arguments; std::string out; } cases[] = {
        {{"--format=csv", "q.ASC"},
         "Name,SectionName,DeviceId,NestingLevel,TagAttribute,DataAreaId,DataTypeId,VariableLen,FieldAdd1,FieldAdd2,"
         "FieldAdd3,FieldAdd4,FieldAdd5,Sign,Warning\r\nLevel,q.ASC (Symbol file),1,1,,3,31,0,12,0,0,0,0,true,false\r\n"
         "\"Kälte \"\"1\"\",x\",q.ASC (Symbol file),1,1,REAL,2,22,0,3,0,0,0,0,false,false\r\n"},
        {{"--format", "csv", columns, "q.ASC"}, "FieldAdd1,Name,Sign\r\n12,Level,true\r\n3,\"Kälte \"\"1\"\",x\",false\r\n"},
        {{"--format", "jsonl", columns, "q.ASC"},
         "{\"FieldAdd1\":12,\"Name\":\"Level\",\"Sign\":true}\n{\"FieldAdd1\":3,\"Name\":\"Kälte \\\"1\\\",x\",\"Sign\":false}\n"},
        {{"--format", "table", columns, "q.ASC"}, "FieldAdd1  Name         Sign\n12         Level        true\n3          Kälte \"1\",x  false\n"},
        {{"--format=jsonl", "--columns", "Name,DeviceId", "--device-id=-2147483648", "--device-name=", "--", "-x.ASC"},
         "{\"Name\":\"Dashed\",\"DeviceId\":-2147483648}\n"},
        {{"--format=jsonl", "--device-code=2", "--", "-x.ASC"}, ""},  // device 2 has no markers
    };
    for (const auto& c : cases) {
        CliRun run = RunCli(Joined({"import", "--messages", messages}, c.arguments), "cd '" + dir / "" + "' &&");
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, c.out);
    }
}

// Whatever the command line cannot use ends in the documented status (1: the import
// stopped, a FILE was skipped or could not be read, 2: a wrong command line) and in a
// first line on standard error that names the file or option and the cause; never a
// stack trace. A wrong command line gets that line and where to find help, nothing more.
// What the device database will not give is a warning before the import (status 0).
TEST_F(CliTest, FailuresGiveTheDocumentedStatusAndOneLineNamingTheCause) {
    const std::string clash = Source("Clash.ASC", {SymbolLine("Pump", "M", "1", "BYTE"), SymbolLine("Pump", "M", "2", "BYTE")});
    const std::string d = dir.path().string(), none = dir / "None.dbr", missing = dir / "no/such/folder.dbr";
    fs::create_directories(dir / "Folder.AWL");
    fs::create_directories(dir / "Export");
    WriteFile(dir / "plain", "a file where a folder belongs");
    WriteFile(dir / "plant.txt", SymbolLine("Pump", "M", "1", "BYTE") + "\r\n");
    fs::create_directories(dir / "root/app");  // a device database beside a missing component folder
    fs::copy_file(TESSARO_SAMPLE_DB, dir / "root/KorvoDEV.dbr");
    const std::string areas = dir / "areas.dbr";
    WriteSqliteDatabase(areas, "CREATE TABLE DeviceDataArea (DeviceId INTEGER, DeviceDataAreaId INTEGER, Name TEXT);");
    const std::vector<std::string> csv = {"import", "--format=csv", "--messages", messages};
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::vector<std::string> inFirstLine;
        bool variablesWritten = false;
        std::string environment = "";
    } cases[] = {
        {{}, 2, {"a command is wanted"}},
        {{"export", good}, 2, {"export"}},
        {{"import"}, 2, {"FILE"}},
        {{"import", "--format", "xml", good}, 2, {"xml"}},
        {{"import", "--language", "nl", good}, 2, {"nl"}},
        {{"import", "--codepage", "CP65001x", good}, 2, {"--codepage", "\"CP65001x\""}},
        {{"import", "--codepage=UTF-8", good}, 2, {"\"UTF-8\""}},
        {{"import", "--language", "zh", good}, 2, {"TESSARO_CODEPAGE: \"nonsense\" is not a code page known here"}, false,
         "TESSARO_CODEPAGE=nonsense"},
        {{"import", "--device-id", "12x", good}, 2, {"12x"}},
        {{"import", "--device-id=", good}, 2, {"--device-id"}},
        {{"import", "--device-id", "2147483648", good}, 2, {"2147483648"}},
        {{"import", "--device-code", "x1", good}, 2, {"x1"}},
        {{"import", "--frobnicate", good}, 2, {"unknown option --frobnicate for import"}},
        {{"import", "-v", good}, 2, {"-v"}},
        {{"import", "--format", "csv", "--format=jsonl", good}, 2, {"--format is given more than once"}},
        {{"import", "--normalize=yes", good}, 2, {"--normalize takes no value"}},
        {{"import", "--columns", "Name,DataAreID", good}, 2, {"no column is named \"DataAreID\"", "did you mean 'DataAreaId'"}},
        {{"import", "--language", "7", good}, 2, {"en, it, fr, es, de, zh or a number 1-6", "\"7\""}},
        {{"imprt", good}, 2, {"unknown command \"imprt\"; did you mean 'import'?"}},
        {{"import", "--langauge", "de", good}, 2, {"did you mean '--language'?"}},
        {{"import", "--force", good}, 2, {"--force goes with 'tessaro devices'"}},
        {{"help", "devcies"}, 2, {"did you mean 'devices'?"}},
        {{"import", good, "--device-name"}, 2, {"--device-name"}},
        {{"import", "--component-dir", d, "--device-db", good, good}, 2, {"--device-db", "--component-dir"}},
        {{"devices", "extra"}, 2, {"extra"}},
        {{"import", "--device-id=+5", "--device-name=a=b", "-x.ASC"}, 2, {"unknown option -x.ASC for import"}},
        {Joined(csv, {dir / "Missing.ASC", good}), 1, {"cannot read " + (dir / "Missing.ASC"), "No such file or directory"}, true},
        {Joined(csv, {good, dir / "Folder.AWL"}), 1, {"cannot read " + (dir / "Folder.AWL"), "Is a directory"}, true},
        {{"import", "--device-db", none, good}, 1, {"cannot open the device database " + none, "No such file or directory"}},
        {{"import", "--device-db", d, good}, 1, {"cannot open the device database " + d}},
        {{"import", "--component-dir", (dir / "plain") + "/bin", good}, 1,
         {"cannot write the message files in " + (dir / "plain") + "/bin", "Not a directory"}},
        {{"import", "--component-dir", (dir / "root") + "/app/bin", good}, 1,
         {"cannot write the message files in " + (dir / "root") + "/app/bin", "No such file or directory"}},
        {{"import", "--format=csv", "--messages", d, clash}, 1, {"cannot append the messages to " + d}, true},
        {{"import", "--format=csv", "--messages", missing, clash}, 1,
         {"cannot append the messages to " + missing + ": No such file or directory"}, true},
        {{"devices", "--device-db", none}, 1, {none, "No such file or directory"}},
        {{"devices", "--export-sqlite", "/dev/null", "--force"}, 1, {"/dev/null: not a plain file, not replaced"}},
        {{"devices", "--export-sqlite", missing}, 1, {missing}},
        {Joined(csv, {"--device-code", "99", good}), 0,
         {"warning: device code 99 is not in " + std::string(TESSARO_SAMPLE_DB) + "; no variable finds its data area"}},
        {Joined(csv, {"--device-db", areas, good}), 0, {"warning: the device database " + areas + " lacks the table DeviceDataType ("}},
        // Every kind of FILE the import does not read: named with the reason, the rest imported.
        {Joined(csv, {good, dir / "plant.txt"}), 1, {"skipped " + (dir / "plant.txt") + ": the name does not end in .ASC or .AWL"}, true},
        {Joined(csv, {good, dir / "Export"}), 1, {"skipped " + (dir / "Export") + ": a folder, not a file"}, true},
        {Joined(csv, {good, "-"}), 1, {"skipped -: standard input is not read"}, true},
        {Joined(csv, {good, "/dev/stdin"}), 1, {"skipped /dev/stdin: not a plain file"}, true},
        {Joined(csv, {good, "/bin/ls"}), 1, {"skipped /bin/ls: the name does not end in .ASC or .AWL"}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.empty() ? "" : c.arguments.back());
        CliRun run = RunCli(c.arguments, c.environment);
        EXPECT_EQ(run.status, c.status) << run.err;
        const std::string first = run.err.substr(0, run.err.find('\n'));
        EXPECT_TRUE(first.starts_with("tessaro: ")) << run.err;
        for (const auto& part : c.inFirstLine) EXPECT_NE(first.find(part), std::string::npos) << part << "\n" << run.err;
        EXPECT_EQ(run.err.find("terminate called"), std::string::npos) << run.err;
        if (c.status == 2) {
            const bool own = !c.arguments.empty() && (c.arguments[0] == "import" || c.arguments[0] == "devices");
            EXPECT_EQ(run.err, first + "\nTry 'tessaro " + (own ? c.arguments[0] + " " : "") + "--help'.\n");
            EXPECT_EQ(run.out, "");
        } else {
            EXPECT_TRUE(c.variablesWritten || std::count(run.err.begin(), run.err.end(), '\n') == 1) << run.err;
        }
        EXPECT_EQ(run.out.find("Pump") != std::string::npos, c.variablesWritten) << run.out;
    }
}

// Hints name what the import will stumble on, before it: lines ending in LF alone, tabs
// in the value lines of a data block. A FILE that is no source gets no hint.
TEST_F(CliTest, HintsForLoneLineFeedsAndTabs) {
    WriteFile(dir / "lf.asc", SymbolLine("First", "M", "1", "BYTE") + "\n" + SymbolLine("Second", "M", "2", "BYTE") + "\n");
    WriteFile(dir / "lf.txt", "a\nb\n");
    const std::string tabs = Source("tabs.AWL", {"DATA_BLOCK DB 3", "  STRUCT", "\tOn : BOOL ;", "  END_STRUCT ;", "BEGIN",
                                                 "   On := TRUE;", "\tOn := FALSE;", "END_DATA_BLOCK"});
    CliRun run = RunCli({"import", "--format=csv", "--messages", messages, good, dir / "lf.asc", dir / "lf.txt", tabs});
    EXPECT_EQ(run.status, 1);  // lf.txt is skipped
    EXPECT_EQ(run.err, "tessaro: hint: " + (dir / "lf.asc") +
                           " has lines ending in LF alone; the import reads up to CR or CR LF, so such lines run "
                           "together (convert the file to CR LF line ends, or use --normalize)\n"
                           "tessaro: skipped " + (dir / "lf.txt") +
                           ": the name does not end in .ASC or .AWL; only files named *.ASC or *.AWL are imported\n"
                           "tessaro: hint: " + tabs +
                           " has tab characters in 1 value line of its data blocks (the first is line 7); the import "
                           "may stop at such a line with a file error (use --normalize)\n");
}

// --normalize imports copies with CR LF line ends and blanks for tabs, and says which
// files it changed: a source that went through Unix tools then gives the records of
// its CR LF, blank-indented original. Without the option the files are read as given.
TEST_F(CliTest, NormalizeReadsLineFeedAndTabFilesAsTheirCrLfBlankTwins) {
    const std::vector<std::string> block = {"DATA_BLOCK DB 12", "  STRUCT", "   Speed : INT ;", "   Text : STRING [4] ;",
                                            "  END_STRUCT ;", "BEGIN", "   Speed := 120;", "   Text := 'ab';", "END_DATA_BLOCK"};
    std::string unix;
    for (const std::string& line : block) unix += (line.starts_with("   ") ? "\t" + line.substr(3) : line) + "\n";
    WriteFile(dir / "unix/p.AWL", unix);
    const std::vector<std::string> symbols = {SymbolLine("Pump", "M", "1", "BYTE"), SymbolLine("Fan", "M", "2", "BYTE")};
    WriteFile(dir / "unix/p.ASC", symbols[0] + "\n" + symbols[1] + "\n");
    CliRun original = RunCli({"import", "--format=jsonl", "--messages", messages, Source("crlf/p.ASC", symbols),
                              Source("crlf/p.AWL", block), horn});
    ASSERT_EQ(std::count(original.out.begin(), original.out.end(), '\n'), 5) << original.out;
    CliRun normalized = RunCli({"import", "--format=jsonl", "--normalize", "--messages", messages, dir / "unix/p.ASC",
                                dir / "unix/p.AWL", horn});
    ASSERT_EQ(normalized.status, 0) << normalized.err;
    EXPECT_EQ(normalized.out, original.out);
    EXPECT_EQ(normalized.err, "tessaro: normalized " + (dir / "unix/p.ASC") + ": 2 lone LFs made CR LF; the import reads the copy\n"
                              "tessaro: normalized " + (dir / "unix/p.AWL") +
                                  ": 9 lone LFs made CR LF, tabs made blanks in 4 lines; the import reads the copy\n");
    CliRun asGiven = RunCli({"import", "--format=jsonl", "--messages", messages, dir / "unix/p.AWL"});
    EXPECT_EQ(asGiven.out, "");
    EXPECT_NE(asGiven.err.find("has lines ending in LF alone"), std::string::npos) << asGiven.err;
}

// Messages go to standard error in UTF-8, or are appended to --messages in the code
// page. --language takes the six codes in any letter case and their numbers; Chinese
// brings CP936 unless a page is named; without the option the user's settings decide
// (here: none, so English).
TEST_F(CliTest, MessagesInTheChosenLanguageOnStandardErrorOrAppended) {
    const std::string german = "-Konversion des Datentyps der Variable\r\n", english = "-Conversion of data type of the variable\r\n";
    struct Case { std::vector<std::string> options; std::string environment, title; } cases[] = {
        {{"--language", "fr"}, "", "-Conversion de type de donn\xC3\xA9" "es de la variable\r\n"},
        {{"--language=De"}, "", german},
        {{"--language", "5"}, "", german},
        {{"--language", "zh"}, "", "-变量的数据类型的转换\r\n"},
        {{}, "TESSARO_USER_REGISTRY=/nonexistent", english},
    };
    for (const auto& c : cases) {
        CliRun run = RunCli(Joined(Joined({"import", "--format=jsonl"}, c.options), {horn}), c.environment);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_NE(run.err.find(c.title + "\r\nSymbol Files\r\n\r\nBOOL->Byte                     Horn\r\n"), std::string::npos)
            << run.err;
    }
    WriteFile(messages, "earlier\r\n");
    for (const char* language : {"de", "en"}) {
        CliRun run = RunCli({"import", "--format=jsonl", "--language=" + std::string(language), "--messages", messages, horn});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "");
    }
    const std::string appended = ReadFile(messages);
    EXPECT_TRUE(appended.starts_with("earlier\r\n\r\n----")) << appended;
    EXPECT_NE(appended.find(german), std::string::npos);
    EXPECT_LT(appended.find(german), appended.find(english));
}

TEST_F(CliTest, DevicesListsTheSampleDatabase) {
    CliRun run = RunCli({"devices"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Device 1\n  Area 1  DBW\n    Type 10  Byte\n    Type 11  Word\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Device 2\n  Area 101   dbw \n    Type 1001  byte\n"), std::string::npos) << run.out;
}

// The SQLite export read back answers as its source, row for row: identifiers at both ends
// of 32 bits, past them, NULL, text and a fraction; names NULL, blank-padded and accented.
TEST_F(CliTest, DevicesExportReadsBackAsItsSource) {
    const fs::path source = dir / "source.dbr", exported = dir / "exported.dbr";
    WriteSqliteDatabase(source,
                        "CREATE TABLE DeviceDataArea (DeviceId INTEGER, DeviceDataAreaId INTEGER, Name TEXT);"
                        "INSERT INTO DeviceDataArea VALUES (2147483647, -2147483648, 'Merker');"
                        "INSERT INTO DeviceDataArea VALUES (-2147483648, 2147483647, NULL);"
                        "INSERT INTO DeviceDataArea VALUES (NULL, 1, ' dbw ');"
                        "INSERT INTO DeviceDataArea VALUES (1, 2147483648, 'Z\xC3\xA4hler');"
                        "INSERT INTO DeviceDataArea VALUES (1, 'x', 'DBW');"
                        "CREATE TABLE DeviceDataType (DeviceId INTEGER, DeviceDataAreaId INTEGER, DeviceDataTypeId INTEGER,"
                        " Name TEXT);"
                        "INSERT INTO DeviceDataType VALUES (2147483647, -2147483648, 2147483647, 'Byte');"
                        "INSERT INTO DeviceDataType VALUES (1, NULL, -2147483648, NULL);"
                        "INSERT INTO DeviceDataType VALUES (1, 2.5, -2147483649, 'Word');"
                        "INSERT INTO DeviceDataType VALUES (1, 1, ' 7 ', 'DWord');");
    CliRun run = RunCli({"devices", "--device-db", source, "--export-sqlite", exported});
    ASSERT_EQ(run.status, 0) << run.err;
    SqliteStore before(source), after(exported);
    EXPECT_EQ(after.ReadDeviceIds(), before.ReadDeviceIds());
    EXPECT_EQ(after.ReadDataAreas(std::nullopt), before.ReadDataAreas(std::nullopt));
    EXPECT_EQ(after.ReadDataTypes(std::nullopt), before.ReadDataTypes(std::nullopt));
    EXPECT_EQ(before.ReadDataAreas(std::nullopt).size(), 5u);
    EXPECT_EQ(before.ReadDataTypes(std::nullopt).size(), 4u);
}

}  // namespace
}  // namespace tessaro::test
