// The UDT pre-pass: definitions, their STRING fields and lengths, and the failures that
// end the file while keeping the records already appended.
#include "AwlFixture.h"
#include "awl/InfoUDTImportedVariable.h"
#include "awl/UDTInfoRecord.h"

namespace tessaro::test {
namespace {

class UDTPrePass : public AwlImport {
protected:
    // Runs the pre-pass over the file into the collection, which keeps what earlier
    // runs appended.
    void Run(const std::string& path) {
        InfoUDTImportedVariable importer;
        importer.DataSource->SourceId = path;
        importer.GetImportedVariables(udts);
    }
    // "number: NAME=length NAME=length" for every record, in order.
    std::vector<std::string> Described() const {
        std::vector<std::string> out;
        for (const auto& record : udts) {
            std::string text = std::to_string(record->Number) + ":";
            for (const auto& field : *record->Fields) text += " " + field->Name + "=" + std::to_string(field->Length);
            out.push_back(text);
        }
        return out;
    }
    UDTCollection udts;
};

using Records = std::vector<std::string>;

TEST_F(UDTPrePass, DefinitionsAndFailures) {
    struct Case { std::string name; std::initializer_list<std::string> lines; Records expected; };
    const Case cases[] = {
        {"none", {"DATA_BLOCK DB 1", "  TYPE UDT 1", "BEGIN", "END_DATA_BLOCK"}, {}},
        {"two",
         {"TYPE UDT 1", "STRUCT", " A : STRING  [4 ];", "END_STRUCT ;", "END_TYPE", "TYPE UDT 2", " STRUCT",
          " B : STRING  [5 ];", " C : STRING  [6 ];", "END_STRUCT ;", "END_TYPE"},
         {"1: A=4", "2: B=5 C=6"}},
        {"no strings", {"TYPE UDT 7", "STRUCT", " A : INT ;", "END_STRUCT ;", "END_TYPE"}, {"7:"}},
        {"no blank before the colon", {"TYPE UDT 1", "STRUCT", " Txt: STRING  [20 ];", "END_TYPE"}, {"1: =20"}},
        {"mixed-case STRING", {"TYPE UDT 1", "STRUCT", " Txt : String  [20];", " u : string  [3 ];", "END_TYPE"},
         {"1: TXT=20 U=3"}},
        {"one blank before the bracket", {"TYPE UDT 1", "STRUCT", " Txt : STRING [20 ];", "END_TYPE"}, {"1:"}},
        {"blank before the length's bracket", {"TYPE UDT 1", "STRUCT", " T : STRING  [ 20 ];", "END_TYPE"}, {"1: T=20"}},
        {"nested structure",
         {"TYPE UDT 4", "STRUCT", " S : STRUCT", "  Inner : STRING  [9 ];", " END_STRUCT ;", " Outer : STRING  [2 ];",
          "END_STRUCT ;", "END_TYPE"},
         {"4: INNER=9 OUTER=2"}},
        {"fields on the STRUCT line are not read",
         {"TYPE UDT 1", "STRUCT X : STRING  [9 ];", " Y : STRING  [8 ];", "END_TYPE"}, {"1: Y=8"}},
        {"symbolic TYPE is not a header", {"TYPE \"Recipe\"", "STRUCT", " A : STRING  [4 ];", "END_TYPE"}, {}},
        {"lower-case header", {"type udt 1", "STRUCT", " A : STRING  [4 ];", "END_TYPE"}, {}},
        {"number beyond 20 characters", {"TYPE UDT                    5", "STRUCT", "END_TYPE"}, {"0:"}},
        {"negative number", {"TYPE UDT -2", "STRUCT", "END_TYPE"}, {"-2:"}},
        {"ends inside the fields, last line lost",
         {"TYPE UDT 5", "STRUCT", " A : STRING  [1 ];", " B : STRING  [2 ];"}, {"5: A=1"}},
        {"ends before STRUCT", {"TYPE UDT 5", "VERSION : 0.1"}, {}},
        {"header on the last line", {"DATA_BLOCK DB 1", "TYPE UDT 5"}, {}},
        {"data blocks after a definition are skipped",
         {"TYPE UDT 1", "STRUCT", "END_TYPE", "DATA_BLOCK DB 1", " STRUCT", " A : STRING  [4 ];", "END_DATA_BLOCK",
          "TYPE UDT 2", "STRUCT", "END_TYPE"},
         {"1:", "2:"}},
        // Failures end the file and keep the records already appended.
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        udts.Clear();
        Run(Source("u.awl", c.lines));
        EXPECT_EQ(Described(), c.expected);
    }
}

TEST_F(UDTPrePass, AppendsAfterEarlierFilesAndLineEnds) {
    EXPECT_NO_THROW(Run(layout.root / "missing.awl"));  // an unreadable file returns normally
    Run(Source("a.awl", {"TYPE UDT 1", "STRUCT", "END_TYPE"}));
    // CR alone ends a line as well; a lone LF stays inside the line.
    std::string path = layout.root / "b.awl";
    WriteFile(path, "TYPE UDT 2\rSTRUCT\r A : STRING  [4 ];\n B : STRING  [5 ];\rEND_TYPE");
    Run(path);
    EXPECT_EQ(Described(), (Records{"1:", "2: A=4"}));
}

}  // namespace
}  // namespace tessaro::test
