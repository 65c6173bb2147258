// What the element record and the data-block importer write into the partial message
// files: 1 conversions, 2 same names, 3 file errors, 4 unfit types, 5 incomplete blocks,
// 6 variables to check; each under the group title set last.
#include "AwlFixture.h"
#include "awl/DeclarationTables.h"
#include "awl/InfoAWLImportedVariable.h"
#include "awl/InfoUDTImportedVariable.h"
#include "awl/VariableAWLInfoRecord.h"

namespace tessaro::test {
namespace {

class DataBlockMessages : public AwlImport {
protected:
    void Run(const std::string& path) {
        InfoAWLImportedVariable importer;
        importer.DataSource->SourceId = path;
        importer.UDTs = std::make_shared<UDTCollection>();
        importer.DeviceId = 1;
        importer.GetImportedVariables(variables);
    }
    static std::string Conversion(const std::string& from, const std::string& to, const std::string& name) {
        std::string pair = from + "->" + to;
        pair.resize(30, ' ');
        return pair + " " + name + "\r\n";
    }
    VariableCollection variables;
};

TEST_F(DataBlockMessages, ElementRecordReportsConversionsAndUnfitTypes) {
    ResetDeclarationTables();
    const char* lines[] = {"   Speed := 120;", "   Motor.Running := TRUE;", "   Status := W#16#FFFF;", "   P := P#M 10.0;",
                           "   C := C 5;",      "   T := S5T#5S;",           "   Txt := 'abc';",        "   R := 1.0e+000;",
                           "   Tm := T 5;",     "   Blk := FB 3;",           "   Cycle := T#1S;"};
    for (const char* line : lines) {
        VariableAWLInfoRecord record;
        record.DBName = "DB 12";
        record.DBNumber = 12;
        record.SourceLine = line;
        record.GetVariableInfoRecord();
    }
    EXPECT_EQ(Partial(1), "DB 12\r\n" + Conversion("INT", "Word", "Speed") + Conversion("BOOL", "Byte", "Motor.Running") +
                              Conversion("TIMER", "Timer 1/10 sec.", "T") + Conversion("REAL", "Floating point", "R") +
                              Conversion("TIME", "Dword", "Cycle"));
    EXPECT_EQ(Partial(4), "DB 12\r\nP\r\nC\r\nTm\r\nBlk\r\n");
    for (int n : {2, 3, 5, 6}) EXPECT_EQ(Partial(n), "") << n;
}

TEST_F(DataBlockMessages, DeviceWithoutDbwReportsUnderTheBareBlockNumber) {
    OpenDeviceDB(3);
    Run(Source("a.awl", {"DATA_BLOCK DB 12", "BEGIN", "   x := 5;", "   y := TRUE;", "END_DATA_BLOCK"}));
    EXPECT_EQ(variables.Count(), 0u);
    EXPECT_EQ(Partial(4), "12\r\nDB 12.x\r\nDB 12.y\r\n");
    EXPECT_EQ(Partial(1), "");  // the record itself says nothing without an area
}

TEST_F(DataBlockMessages, ImporterReports) {
    std::string path =
        Source("a.awl", {"DATA_BLOCK \"Unknown\"", "BEGIN", "   a := 5;", "END_DATA_BLOCK",
                         "DATA_BLOCK DB 3", " FB 42", "BEGIN", "   a := 5;", "   p := P#M 1.0;", "END_DATA_BLOCK",
                         "DATA_BLOCK DB 3", "BEGIN", "   a := 5;", "END_DATA_BLOCK",
                         "DATA_BLOCK DB 4", "TITLE =", "BEGIN", "   b := 'x';", "   q := S5T#9999H;", "   c := 5;",
                         "END_DATA_BLOCK"});
    Run(path);
    EXPECT_EQ(Partial(5), "DB \"Unknown\"\r\n\"Unknown\"\r\n");
    EXPECT_EQ(Partial(1), "DB 3\r\n" + Conversion("INT", "Word", "a") + Conversion("INT", "Word", "a"));
    EXPECT_EQ(Partial(4), "DB 3\r\np\r\n");
    // The second DB 3 still sees the first one's instance line.
    EXPECT_EQ(Partial(6), "DB 3\r\nDB 3.a\r\nDB 3.p\r\nDB 3.a\r\n");
    // A same-name report takes the title set last, here by the check report.
    EXPECT_EQ(Partial(2), "DB 3\r\nDB 3.a " + path + "\r\n");
    EXPECT_EQ(Partial(3), path + "\r\n");
    EXPECT_TRUE(variables.Contains("_DB 4.b_1"));
    EXPECT_FALSE(variables.Contains("_DB 4.c_1"));
}

TEST_F(DataBlockMessages, FileErrors) {
    std::string missing = layout.root / "missing.awl";
    Run(missing);
    std::string noSemicolon = Source("b.awl", {"DATA_BLOCK DB 1", " R : UDT 3", "BEGIN", "END_DATA_BLOCK"});
    Run(noSemicolon);
    UDTCollection udts;
    InfoUDTImportedVariable pre;
    pre.DataSource->SourceId = Source("c.awl", {"TYPE UDT 1", "STRUCT", " A : STRING  [4 ;", "END_TYPE"});
    pre.GetImportedVariables(udts);
    EXPECT_EQ(Partial(3), missing + "\r\n" + noSemicolon + "\r\n" + pre.DataSource->SourceId + "\r\n");
    EXPECT_EQ(Partial(5), "");
}

TEST_F(DataBlockMessages, NoMessagesForACleanBlock) {
    Run(Source("a.awl", {"DATA_BLOCK DB 1", "BEGIN", "   w := W#16#1;", "   t := 'ab';", "   y := B#16#0;",
                         "END_DATA_BLOCK"}));
    EXPECT_EQ(variables.Count(), 3u);
    for (int n = 1; n <= 6; ++n) EXPECT_EQ(Partial(n), "") << n;
}

}  // namespace
}  // namespace tessaro::test
