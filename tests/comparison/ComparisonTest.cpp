// Reading saved imports and comparing records: what the diff cases of the corpus (whole
// imports through the command line) do not reach.

#include <tessaro/CodePage.h>
#include <tessaro/ImportComparison.h>

#include <gtest/gtest.h>

namespace tessaro {
namespace {

const std::string kHeader =
    "Name,SectionName,DeviceId,NestingLevel,TagAttribute,DataAreaId,DataTypeId,VariableLen,FieldAdd1,FieldAdd2,"
    "FieldAdd3,FieldAdd4,FieldAdd5,Sign,Warning";

std::string Problem(const std::string& text) {
    try {
        ParseSavedImport(text, "s");
    } catch (const SavedImportError& error) {
        return error.what();
    }
    return "read";
}

TEST(SavedImportTest, CsvFieldsQuotedAcrossLinesAndErrorsNameTheRowsFirstLine) {
    SetCodePage("WINDOWS-1252");
    const std::string rows = kHeader + "\r\n\"K\xC3\xA4lte \"\"1\"\",\r\nx\",S,1,1,,3,31,0,-12,0,0,0,0,TRUE,false\r\n";
    ImportRecords records = ParseSavedImport(rows, "s");
    ASSERT_EQ(records.Variables.size(), 1u);
    EXPECT_EQ(records.Variables[0]->Name, "K\xE4lte \"1\",\r\nx");  // UTF-8 read into the code page
    EXPECT_EQ(records.Variables[0]->FieldAdd1, -12);
    EXPECT_TRUE(records.Variables[0]->Sign);
    EXPECT_FALSE(records.HasAccount());
    // The row after the two-line field starts on line 4.
    EXPECT_EQ(Problem(rows + "P,S,1,1,,3,31,0,2147483648,0,0,0,0,true,false\r\n"),
              "s:4: FieldAdd1 is 2147483648, outside the 32-bit range");
    EXPECT_EQ(Problem(rows + "P,S,1,1,,3,31,0,1,0,0,0,0,yes,false\r\n"), "s:4: Sign is \"yes\", not true or false");
    EXPECT_EQ(Problem(rows + "P,S,1\r\n"), "s:4: the row has 3 fields, the header 15");
    // A CR alone ends no row: it is part of its field, and lines are counted by LF.
    EXPECT_EQ(ParseSavedImport(kHeader + "\nP\rQ,S,1,1,,3,31,0,0,0,0,0,0,true,false", "s").Variables[0]->Name, "P\rQ");
    EXPECT_EQ(Problem(rows + "P\r,S\r\n"), "s:4: the row has 2 fields, the header 15");
    EXPECT_EQ(Problem(rows + "\"P,S,1\r\n"), "s:4: a quoted field that starts here does not end");
    EXPECT_EQ(Problem("Name,Warning\r\n"), "s:1: the header has no column SectionName");
}

TEST(SavedImportTest, JsonLinesCheckedLineByLine) {
    const std::string line =
        R"({"Name":"P","SectionName":"S","DeviceId":1,"NestingLevel":1,"TagAttribute":"","DataAreaId":3,)"
        R"("DataTypeId":31,"VariableLen":0,"FieldAdd1":2,"FieldAdd2":0,"FieldAdd3":0,"FieldAdd4":0,"FieldAdd5":0,)"
        R"("Sign":false,"Warning":true)";
    EXPECT_EQ(ParseSavedImport(line + "}\n\n \r\n" + line + ",\"Other\":[1]}", "s").Variables.size(), 2u);
    EXPECT_EQ(Problem(line + "}\n\n" + line + ",\"Sign\":true}"), "s:3: the column Sign is given twice");
    EXPECT_EQ(Problem(line + ",\"DeviceId\":\"1\"}"), "s:1: the column DeviceId is given twice");
    EXPECT_EQ(Problem(R"({"Name":1})"), "s:1: Name is a number, not a text");
    EXPECT_EQ(Problem(R"({"Name":"P"})"), "s:1: the column SectionName is missing");
    EXPECT_EQ(Problem(R"({"Name":{"x":1}})"), "s:1: a line holds one flat object of texts, numbers and flags");
    EXPECT_EQ(Problem(line + "}\n" + line), "s:2: not JSON at character 223: syntax error while parsing object - "
                                             "unexpected end of input; expected '}'");
}

TEST(SavedImportTest, AccountRowsThatBecameNoVariablePassedOverAndTheRestAligned) {
    const std::string header = kHeader + ",Fate,Line,Comment\r\n";
    const std::string row = ",S,1,1,,3,31,0,0,0,0,0,0,false,false,";
    ImportRecords records = ParseSavedImport(
        header + "A" + row + "imported,1,first\r\nB" + row + "same-name,2,x\r\nC" + row + ",3,third\r\n", "s");
    ASSERT_EQ(records.Variables.size(), 2u);
    ASSERT_EQ(records.Accounts.size(), 2u);
    EXPECT_EQ(records.Variables[1]->Name, "C");
    EXPECT_EQ(records.Accounts[1].Line, 3);
    EXPECT_EQ(records.Accounts[1].Comment, "third");
}

VariablePtr Record(const std::string& name, int32_t address, const std::string& section = "P.ASC (Symbol file)",
                   int32_t device = 1) {
    auto v = std::make_shared<Variable>();
    v->Name = name;
    v->SectionName = section;
    v->DeviceId = device;
    v->DataAreaId = 3;
    v->DataTypeId = 30;
    v->FieldAdd1 = address;
    return v;
}

std::string Described(const ImportComparison& c) {
    std::string text = ComparisonSummary(c) + ":";
    for (const RecordChange& change : c.Changes) {
        text += " " + std::string(ChangeName(change.Kind)) + "(" + std::to_string(change.Old + 1) + "," +
                std::to_string(change.New + 1) + ")";
        for (const ColumnChange& column : change.Columns) text += " " + std::string(column.Column) + "=" + column.Old + ">" + column.New;
    }
    return text;
}

TEST(ImportComparisonTest, RenamesOnlyWhereOneVariableLeftAndOneCameAtThePlace) {
    ImportRecords older{{Record("A", 1), Record("B", 2), Record("C", 2), Record("D", 3)}, {}};
    ImportRecords newer{{Record("X", 2), Record("D", 3), Record("Y", 1), Record("Z", 3, "P.ASC (Symbol file)", 2)}, {}};
    // X at 2 where B and C both were: no rename; Z on another device: no rename.
    EXPECT_EQ(Described(CompareImports(older, newer)),
              "2 added, 2 removed, 0 changed, 1 renamed: added(0,1) renamed(1,3) Name=A>Y added(0,4) removed(2,0) removed(3,0)");
    EXPECT_EQ(Described(CompareImports(older, newer, {false, true})),
              "3 added, 3 removed, 0 changed, 0 renamed: added(0,1) added(0,3) added(0,4) removed(1,0) removed(2,0) "
              "removed(3,0)");
}

TEST(ImportComparisonTest, KeysAndSectionsAsTheImportHasThem) {
    // A key is the trimmed name in any letter case and the device; a symbol's section is
    // no change when only its table's file name changed, a block's is.
    ImportRecords older{{Record(" pump", 1, "Old.ASC (Symbol file)"), Record("DB 1.x", 4, "DB 1"), Record("V", 5)}, {}};
    ImportRecords newer{{Record("V", 5), Record("DB 1.X", 4, "DB 2"), Record("PUMP", 1, "New.ASC (Symbol file)")}, {}};
    EXPECT_EQ(Described(CompareImports(older, newer)),
              "0 added, 0 removed, 2 changed, 0 renamed: changed(2,2) Name=DB 1.x>DB 1.X SectionName=DB 1>DB 2 "
              "changed(1,3) Name= pump>PUMP");
}

TEST(ImportComparisonTest, ARepeatedKeyIsSaidAndItsFirstRecordCompared) {
    ImportRecords older{{Record("A", 1), Record("a", 9), Record("B", 2)}, {}};
    ImportRecords newer{{Record("B", 2), Record("A", 1), Record("B", 7)}, {}};
    const ImportComparison c = CompareImports(older, newer);
    EXPECT_FALSE(c.Differs()) << Described(c);
    ASSERT_EQ(c.RepeatedKeys.size(), 2u);
    EXPECT_FALSE(c.RepeatedKeys[0].NewSide);
    EXPECT_EQ(c.RepeatedKeys[0].Again, 1u);
    EXPECT_TRUE(c.RepeatedKeys[1].NewSide);
    EXPECT_EQ(c.RepeatedKeys[1].First, 0u);
}

TEST(ImportComparisonTest, CommentsComparedOnlyWhereBothSidesKeptTheAccount) {
    ImportRecords older{{Record("A", 1)}, {RecordAccount{"P.ASC", 1, "E 1.0", "old"}}};
    ImportRecords newer{{Record("A", 1)}, {RecordAccount{"P.ASC", 7, "E 1.0", "new"}}};
    EXPECT_EQ(Described(CompareImports(older, newer)), "0 added, 0 removed, 1 changed, 0 renamed: changed(1,1) Comment=old>new");
    EXPECT_FALSE(CompareImports(older, newer, {true, false}).Differs());
    EXPECT_FALSE(CompareImports(older, ImportRecords{{Record("A", 1)}, {}}).Differs());
}

}  // namespace
}  // namespace tessaro
