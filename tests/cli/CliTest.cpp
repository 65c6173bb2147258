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

// The lines that became no variable: with --lines, in every format, the record's columns
// of such a line are empty (null in JSON lines) and its Name is the line's; the summary
// file counts them per fate and file.
TEST_F(CliTest, RejectedLinesAndTheSummaryFile) {
    Source("r.ASC", {SymbolLine("Kept", "M", "1", "BYTE"), SymbolLine("Odd", "X", "2", "WORD"), "", SymbolLine("kept", "M", "3", "BYTE")});
    const std::string columns = "--columns=Line,Name,DataAreaId,Fate,Reason";
    struct Case { std::vector<std::string> arguments; std::string out; } cases[] = {
        {{"--format=csv", "--lines=rejected", columns, "r.ASC"},
         "Line,Name,DataAreaId,Fate,Reason\r\n2,Odd,,area-not-known,operand area X not known\r\n"
         "4,kept,,same-name,same name as line 1 of r.ASC\r\n"},
        {{"--format=jsonl", "--lines=rejected", "--columns=Name,DataAreaId,Fate", "r.ASC"},
         "{\"Name\":\"Odd\",\"DataAreaId\":null,\"Fate\":\"area-not-known\"}\n"
         "{\"Name\":\"kept\",\"DataAreaId\":null,\"Fate\":\"same-name\"}\n"},
        {{"--format=table", "--lines=ALL", "--columns=Line,Name,DataAreaId,Fate", "r.ASC"},
         "Line  Name  DataAreaId  Fate\n1     Kept  2           imported\n2     Odd               area-not-known\n"
         "4     kept              same-name\n"},
        {{"--format=csv", "--columns=Name,Address", "r.ASC"}, "Name,Address\r\nKept,M 1\r\n"},
    };
    for (const auto& c : cases) {
        CliRun run = RunCli(Joined({"import", "--messages", messages}, c.arguments), "cd '" + dir / "" + "' &&");
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, c.out);
    }
    const std::string summary = dir / "s.json";
    CliRun run = RunCli({"import", "--messages", messages, "--summary", summary, "r.ASC"}, "cd '" + dir / "" + "' &&");
    EXPECT_EQ(run.status, 0) << run.err;
    const std::string json = ReadFile(summary);
    EXPECT_EQ(json.rfind("{\"lines\":3,\"fates\":{\"imported\":1,\"area-not-known\":1,\"area-not-in-device\":0,"
                         "\"same-name\":1,", 0), 0u) << json;
    EXPECT_NE(json.find("\"files\":[{\"file\":\"r.ASC\",\"format\":\"ASC\","), std::string::npos) << json;
    run = RunCli({"import", "--messages", messages, "--summary", dir / "no/such/folder/s.json", "r.ASC"}, "cd '" + dir / "" + "' &&");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("tessaro: cannot write the summary to "), std::string::npos) << run.err;
}

// Whatever the command line cannot use ends in the documented status (1: the import
// stopped, a FILE was skipped, could not be read or ended in a file error, the device
// code is unknown, 2: a wrong command line) and in a
// first line on standard error that names the file or option and the cause; never a
// stack trace. A wrong command line gets that line and where to find help, nothing more.
// What the device database will not give is a warning before the import (status 0).
TEST_F(CliTest, FailuresGiveTheDocumentedStatusAndOneLineNamingTheCause) {
    const std::string clash = Source("Clash.ASC", {SymbolLine("Pump", "M", "1", "BYTE"), SymbolLine("Pump", "M", "2", "BYTE")});
    const std::string bad = Source("Bad.sdf", {"\"Fan\",\"M 2\",\"BYTE\",\"\"", "\"Horn\",\"M 3\",\"BYTE\",\"no end"});
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
    const std::string broken = Source("Broken.AWL", {"DATA_BLOCK DB 3", "  STRUCT", "   x : UDT 5", "  END_STRUCT ;", "BEGIN",
                                                     "END_DATA_BLOCK"});
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
        {{"import", "--exact=yes", good}, 2, {"--exact takes no value"}},
        {{"import", "--mnemonics", "fr", good}, 2, {"--mnemonics takes one of de, en, auto, not \"fr\""}},
        {{"import", "--normalize", good}, 2, {"unknown option --normalize for import"}},
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
        {Joined(csv, {"--device-code", "99", good}), 1,
         {"device code 99 is not in " + std::string(TESSARO_SAMPLE_DB) + "; nothing is imported"}},
        {Joined(csv, {good, broken}), 1, {"a file error ended the import of " + broken}, true},
        {Joined(csv, {"--device-db", areas, good}), 0, {"warning: the device database " + areas + " lacks the table DeviceDataType ("}},
        // Every kind of FILE the import does not read: named with the reason, the rest imported.
        {Joined(csv, {good, dir / "plant.txt"}), 1, {"skipped " + (dir / "plant.txt") + ": the name does not end in .ASC, .SDF, .DIF or .AWL"}, true},
        {Joined(csv, {good, dir / "Export"}), 1, {"skipped " + (dir / "Export") + ": a folder, not a file"}, true},
        {Joined(csv, {good, "-"}), 1, {"skipped -: standard input is not read"}, true},
        {Joined(csv, {good, "/dev/stdin"}), 1, {"skipped /dev/stdin: not a plain file"}, true},
        {Joined(csv, {good, "/bin/ls"}), 1, {"skipped /bin/ls: the name does not end in .ASC, .SDF, .DIF or .AWL"}, true},
        {Joined(csv, {good, dir / "Plant.Seq"}), 1,
         {"skipped " + (dir / "Plant.Seq") + ": a SEQ symbol table carries no data types (export it as ASC, SDF or DIF)"}, true},
        // An SDF or DIF file that does not fit its format: the import goes on, the line is named.
        {Joined(csv, {good, bad}), 1, {"a file error ended the import of " + bad + ": line 2: field 4 has no closing quote"}, true},
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

// With --exact, hints name what the import will stumble on, before it: lines ending in LF
// alone, tabs in the value lines of a data block. A FILE that is no source gets no hint.
TEST_F(CliTest, HintsForLoneLineFeedsAndTabsWithExact) {
    WriteFile(dir / "lf.asc", SymbolLine("First", "M", "1", "BYTE") + "\n" + SymbolLine("Second", "M", "2", "BYTE") + "\n");
    WriteFile(dir / "lf.txt", "a\nb\n");
    const std::string tabs = Source("tabs.AWL", {"DATA_BLOCK DB 3", "  STRUCT", "\tOn : BOOL ;", "  END_STRUCT ;", "BEGIN",
                                                 "   On := TRUE;", "\tOn := FALSE;", "END_DATA_BLOCK"});
    CliRun run = RunCli({"import", "--exact", "--format=csv", "--messages", messages, good, dir / "lf.asc", dir / "lf.txt", tabs});
    EXPECT_EQ(run.status, 1);  // lf.txt is skipped
    EXPECT_EQ(run.err, "tessaro: hint: " + (dir / "lf.asc") +
                           " has lines ending in LF alone; with --exact the import reads up to CR or CR LF, so such "
                           "lines run together (leave out --exact)\n"
                           "tessaro: skipped " + (dir / "lf.txt") +
                           ": the name does not end in .ASC, .SDF, .DIF or .AWL; only files named *.ASC, *.SDF, *.DIF or *.AWL "
                           "are imported\n"
                           "tessaro: hint: " + tabs +
                           " has tab characters in 1 value line of its data blocks (the first is line 7); with --exact "
                           "the import may stop at such a line with a file error (leave out --exact)\n");
}

// By default a source that went through Unix tools (LF line ends, tab indentation) gives
// the records of its CR LF, blank-indented original, and each such file is named once;
// with --exact the same files are read as the component reads them by itself.
TEST_F(CliTest, DefaultReadsLineFeedAndTabFilesAsTheirCrLfBlankTwins) {
    const std::vector<std::string> block = {"DATA_BLOCK DB 12", "  STRUCT", "   Speed : INT ;", "   Text : STRING [4] ;",
                                            "  END_STRUCT ;", "BEGIN", "   Speed := 120;", "   Text := 'ab';", "END_DATA_BLOCK"};
    std::string unix;
    for (const std::string& line : block) unix += (line.starts_with("   ") ? "\t" + line.substr(3) : line) + "\n";
    WriteFile(dir / "unix/p.AWL", unix);
    const std::vector<std::string> symbols = {SymbolLine("Pump", "M", "1", "BYTE"), SymbolLine("Fan", "M", "2", "BYTE")};
    WriteFile(dir / "unix/p.ASC", symbols[0] + "\n" + symbols[1] + "\n");
    CliRun original = RunCli({"import", "--exact", "--format=jsonl", "--messages", messages, Source("crlf/p.ASC", symbols),
                              Source("crlf/p.AWL", block), horn});
    ASSERT_EQ(std::count(original.out.begin(), original.out.end(), '\n'), 5) << original.out;
    CliRun read = RunCli({"import", "--format=jsonl", "--messages", messages, dir / "unix/p.ASC", dir / "unix/p.AWL", horn});
    ASSERT_EQ(read.status, 0) << read.err;
    EXPECT_EQ(read.out, original.out);
    EXPECT_EQ(read.err, "tessaro: " + (dir / "unix/p.ASC") + ": LF line ends: read as such\n"
                        "tessaro: " + (dir / "unix/p.AWL") + ": LF line ends, tabs: read as such\n");
    CliRun exact = RunCli({"import", "--exact", "--format=jsonl", "--messages", messages, dir / "unix/p.AWL"});
    EXPECT_EQ(exact.out, "");
    EXPECT_NE(exact.err.find("has lines ending in LF alone"), std::string::npos) << exact.err;
}

// By default value lines commented out with "//" are passed over: counted, said on
// standard error and in the summary.
TEST_F(CliTest, CommentedOutValueLinesAreSaidAndCounted) {
    const std::string source =
        Source("c.AWL", {"DATA_BLOCK DB 5", "BEGIN", "   A := 1;", "// B := 2;", "  // C := 3;", "END_DATA_BLOCK"});
    const std::string summary = dir / "s.json";
    CliRun run = RunCli({"import", "--format=csv", "--columns=Name", "--messages", messages, "--summary", summary, source});
    EXPECT_EQ(run.out, "Name\r\nDB 5.A\r\n");  // CSV rows end in CR LF
    EXPECT_EQ(run.err, "tessaro: " + source + ": 2 value lines commented out with //: passed over, their bytes kept\n");
    EXPECT_NE(ReadFile(summary).find("\"commented-value-lines\":2,"), std::string::npos);
}

// A file that gives less than it holds is named with the likely cause: symbolic blocks
// without the symbol table that numbers them, symbol lines none of whose operand areas
// the device has. A file read in full gets no such line.
TEST_F(CliTest, LossesAreNamedWithTheirLikelyCause) {
    const std::string blocks = Source("Steps.AWL", {"DATA_BLOCK \"Steps\"", "  STRUCT", "   On : BOOL ;", "  END_STRUCT ;",
                                                    "BEGIN", "   On := TRUE;", "END_DATA_BLOCK"});
    const std::string peripheral = Source("Io.ASC", {SymbolLine("Raw", "PEW", "256", "WORD")});
    CliRun run = RunCli({"import", "--format=csv", "--messages", messages, blocks, peripheral, good});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "tessaro: " + peripheral + ": no variable from its 1 symbol line: none of their operand areas is "
                       "one that device code 1 has in the device database (peripheral areas never are; --mnemonics "
                       "chooses E, A, Z or I, Q, C; tessaro devices lists the areas)\n"
                       "tessaro: " + blocks + ": 1 symbolic data block found no DB symbol in the symbol tables given; "
                       "pass the .ASC that holds their DB symbols too\n");
    run = RunCli({"import", "--format=csv", "--messages", messages, blocks});
    EXPECT_EQ(run.err, "tessaro: " + blocks + ": 1 symbolic data block found no symbol: the blocks need the symbol table "
                       "that numbers them; pass the .ASC that holds DB symbols too\n");
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
