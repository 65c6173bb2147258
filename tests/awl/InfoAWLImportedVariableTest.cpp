// The data-block importer: headers, the block's own symbol, declarations, the byte and
// bit counters across structures, instance blocks, clashes and file errors.
#include "AwlFixture.h"
#include "awl/DeclarationTables.h"
#include "awl/InfoAWLImportedVariable.h"
#include "awl/UDTInfoRecord.h"

namespace tessaro::test {
namespace {

class DataBlockImport : public AwlImport {
protected:
    void Run(const std::string& path, int32_t deviceId = 1) {
        InfoAWLImportedVariable importer;
        importer.DataSource->SourceId = path;
        importer.UDTs = udts;
        importer.DeviceId = deviceId;
        importer.GetImportedVariables(variables);
    }
    // "Name@FieldAdd1.FieldAdd2" of the data-block variables, in collection order.
    std::vector<std::string> Placed() const {
        std::vector<std::string> out;
        for (const auto& v : variables)
            if (v->SectionName.find("(Symbol file)") == std::string::npos)
                out.push_back(v->Name + "@" + std::to_string(v->FieldAdd1) + "." + std::to_string(v->FieldAdd2));
        return out;
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> out;
        for (const auto& v : variables) out.push_back(v->Name);
        return out;
    }
    // A block DB 1 with the given value lines and no declarations.
    std::string Block(std::initializer_list<std::string> values) {
        std::vector<std::string> lines = {"DATA_BLOCK DB 1", "  STRUCT", "  END_STRUCT ;", "BEGIN"};
        lines.insert(lines.end(), values.begin(), values.end());
        lines.push_back("END_DATA_BLOCK");
        WriteFile(layout.root / "block.awl", CrLf(lines));
        return layout.root / "block.awl";
    }

    VariableCollection variables;
    UDTCollectionPtr udts = std::make_shared<UDTCollection>();
};

using Strings = std::vector<std::string>;

TEST_F(DataBlockImport, AddressSequences) {
    struct Case { std::string name; std::initializer_list<std::string> values; Strings expected; };
    const Case cases[] = {
        {"three BOOLs, WORD, BYTE, INT",
         {"   a := TRUE;", "   b := TRUE;", "   c := TRUE;", "   w := W#16#0;", "   y := B#16#0;", "   i := 1;"},
         {"a@1.0", "b@1.0", "c@1.0", "w@1.2", "y@1.4", "i@1.6"}},
        {"nine BOOLs, a tenth, then an INT",
         {"   b1 := TRUE;", "   b2 := TRUE;", "   b3 := TRUE;", "   b4 := TRUE;", "   b5 := TRUE;", "   b6 := TRUE;",
          "   b7 := TRUE;", "   b8 := TRUE;", "   b9 := TRUE;", "   b10 := TRUE;", "   i := 1;"},
         {"b1@1.0", "b2@1.0", "b3@1.0", "b4@1.0", "b5@1.0", "b6@1.0", "b7@1.0", "b8@1.0", "b9@1.1", "b10@1.1", "i@1.2"}},
        {"run closed by another structure",
         {"   A.x := TRUE;", "   A.y := TRUE;", "   B.z := B#16#0;"}, {"A.x@1.0", "A.y@1.0", "B.z@1.2"}},
        {"run closed by another structure, a bit follows",
         {"   A.x := TRUE;", "   B.z := TRUE;", "   B.q := B#16#0;"}, {"A.x@1.0", "B.z@1.2", "B.q@1.3"}},
        {"run closed by a structure that differs before the last dot",
         {"   A.B.x := TRUE;", "   A.C.y := TRUE;"}, {"A.B.x@1.0", "A.C.y@1.2"}},
        {"run kept inside one structure", {"   A.x := TRUE;", "   A.y := TRUE;"}, {"A.x@1.0", "A.y@1.0"}},
        {"run closed by a top-level element",
         {"   A.x := TRUE;", "   Top := B#16#0;"}, {"A.x@1.0", "Top@1.2"}},
        {"top-level run not closed by the first member of a structure",
         {"   t1 := TRUE;", "   t2 := TRUE;", "   S.a := B#16#0;"}, {"t1@1.0", "t2@1.0", "S.a@1.1"}},
        {"indentation takes part in the comparison",
         {"   A.x := TRUE;", "  A.y := TRUE;"}, {"A.x@1.0", "A.y@1.2"}},
        {"eight bits in a structure fill the byte, then the run closes",
         {"   S.b1 := TRUE;", "   S.b2 := TRUE;", "   S.b3 := TRUE;", "   S.b4 := TRUE;", "   S.b5 := TRUE;",
          "   S.b6 := TRUE;", "   S.b7 := TRUE;", "   S.b8 := TRUE;", "   T.w := 5;"},
         {"S.b1@1.0", "S.b2@1.0", "S.b3@1.0", "S.b4@1.0", "S.b5@1.0", "S.b6@1.0", "S.b7@1.0", "S.b8@1.0", "T.w@1.2"}},
        {"texts, reals and odd bytes",
         {"   c := 'A';", "   s := 'ABCD';", "   y := B#16#1;", "   r := 1.000000e+000;", "   d := DT#90-1-1-0:0:0.000;"},
         {"c@1.0", "s@1.2", "y@1.8", "r@1.10", "d@1.14"}},
        {"arrays", {"   Tab[1] := TRUE;", "   Tab[2] := TRUE;", "   Tab[3] := 5;"}, {"Tab[1]@1.0", "Tab[2]@1.0", "Tab[3]@1.2"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        variables.Clear();
        Run(Block(c.values));
        Strings expected;
        for (const auto& e : c.expected) expected.push_back("DB 1." + e);
        EXPECT_EQ(Placed(), expected);
    }
}

TEST_F(DataBlockImport, NumberedHeaderRemovesTheFirstSymbolOfItsBlock) {
    Symbol(variables, "NotASymbolFile", "DB", 12, "Other section");
    Symbol(variables, "Motor", "BOOL", 12);
    Symbol(variables, "Recipes", " DB ", 12);        // the one: tag trimmed, address, section
    Symbol(variables, "Recipes2", "DB", 12);          // a second symbol of the block stays
    Symbol(variables, "Line", "DB", 13);
    Run(Source("a.awl", {"DATA_BLOCK DB 12", "BEGIN", "   x := 1;", "END_DATA_BLOCK",
                         "DATA_BLOCK DB 14", "BEGIN", "   x := 1;", "END_DATA_BLOCK"}));
    EXPECT_EQ(Names(), (Strings{"NotASymbolFile", "Motor", "Recipes2", "Line", "DB 12.x", "DB 14.x"}));
}

TEST_F(DataBlockImport, SymbolicHeaders) {
    Symbol(variables, "Recipes", "DB", 20);
    Symbol(variables, "Zero", "DB", 0);
    Symbol(variables, "Counter", "BOOL", 30);  // the quoted name alone decides
    Symbol(variables, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123", "DB", 40);  // 30 characters: never fits the window
    Run(Source("a.awl", {"DATA_BLOCK \"Recipes\"", "BEGIN", "   Speed := 5;", "END_DATA_BLOCK",
                         "DATA_BLOCK \"Zero\"", "BEGIN", "   lost := 5;", "END_DATA_BLOCK",
                         "DATA_BLOCK \"Counter\"  ", "BEGIN", "   Run := TRUE;", "END_DATA_BLOCK",
                         "DATA_BLOCK \"Unknown\"", "BEGIN", "   lost := 5;", "END_DATA_BLOCK",
                         "DATA_BLOCK \"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123\"", "BEGIN", "   lost := 5;", "END_DATA_BLOCK",
                         "DATA_BLOCK DB12", "BEGIN", "   lost := 5;", "END_DATA_BLOCK"}));
    EXPECT_EQ(Names(), (Strings{"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123", "\"Recipes\".Speed", "\"Counter\".Run"}));
    EXPECT_EQ(variables.Item("_\"Recipes\".Speed_1")->FieldAdd1, 20);
    EXPECT_EQ(variables.Item("_\"Counter\".Run_1")->FieldAdd1, 30);
}

TEST_F(DataBlockImport, SectionEndsAreExactLines) {
    struct Case { std::string name; std::initializer_list<std::string> lines; Strings expected; };
    const Case cases[] = {
        {"BEGIN with a trailing blank", {"DATA_BLOCK DB 1", "BEGIN ", "   a := 5;", "END_DATA_BLOCK"}, {}},
        {"BEGIN with a trailing blank: declarations run on to the next block's BEGIN",
         {"DATA_BLOCK DB 1", "BEGIN ", "   a := 5;", "END_DATA_BLOCK", "DATA_BLOCK DB 2", "BEGIN", "   b := 5;",
          "END_DATA_BLOCK"},
         {"DB 1.b@1.0"}},
        {"END_DATA_BLOCK with a trailing blank is not the end",
         {"DATA_BLOCK DB 1", "BEGIN", "   a := 5;", "END_DATA_BLOCK ", "   b := 5;", "END_DATA_BLOCK"},
         {"DB 1.a@1.0", "DB 1.b@1.2"}},
        {"the last value line of the file is lost",
         {"DATA_BLOCK DB 1", "BEGIN", "   a := 5;", "   b := 5;"}, {"DB 1.a@1.0"}},
        {"lines without := are passed over",
         {"DATA_BLOCK DB 1", "BEGIN", "// a := comment", "   a := 5;", "   no value", "   b := 5;", "END_DATA_BLOCK"},
         {"DB 1.// a@1.0", "DB 1.a@1.0", "DB 1.b@1.2"}},  // an unrecognised value takes no room
        {"the byte counter starts again per block",
         {"DATA_BLOCK DB 1", "BEGIN", "   a := 5;", "END_DATA_BLOCK", "FUNCTION FC 1 : VOID", "BEGIN", "   x := 5;",
          "END_FUNCTION", "DATA_BLOCK DB 2", "BEGIN", "   a := 5;", "END_DATA_BLOCK"},
         {"DB 1.a@1.0", "DB 2.a@2.0"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        variables.Clear();
        Run(Source("s.awl", c.lines));
        EXPECT_EQ(Placed(), c.expected);
    }
}

TEST_F(DataBlockImport, TwoBlocksWithOneNumberClashButKeepCounting) {
    Symbol(variables, "Recipes", "DB", 5);
    Run(Source("a.awl", {"DATA_BLOCK DB 5", "BEGIN", "   a := 5;", "   b := 5;", "END_DATA_BLOCK", "DATA_BLOCK DB 5",
                         "BEGIN", "   a := 5;", "   b := TRUE;", "   c := 5;", "END_DATA_BLOCK"}));
    // The second b clashes, yet its bit still moves c past it.
    EXPECT_EQ(Placed(), (Strings{"DB 5.a@5.0", "DB 5.b@5.2", "DB 5.c@5.4"}));
    EXPECT_EQ(variables.Item("_DB 5.b_1")->TagAttribute, "");  // the first stays
}

TEST_F(DataBlockImport, InstanceBlocksAreFlagged) {
    struct Case { std::string lastDeclaration; bool warning; };
    const Case cases[] = {{" FB 42", true},  {"FB 42", false},     {"   SFB 5", true}, {"SFB 5", false},
                          {" \"Motor\"", true}, {"\"Motor\"", false}, {"VERSION : 0.1", false},
                          {" FB42", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lastDeclaration);
        variables.Clear();
        Run(Source("i.awl", {"DATA_BLOCK DB 3", "TITLE =", c.lastDeclaration, "BEGIN", "   a := 5;", "   b := TRUE;",
                             "END_DATA_BLOCK"}));
        ASSERT_EQ(variables.Count(), 2u);
        for (const auto& v : variables) EXPECT_EQ(v->Warning, c.warning);
    }
}

TEST_F(DataBlockImport, DeclarationsPerFile) {
    udts->Add(std::make_shared<UDTInfoRecord>(UDTInfoRecord{7, std::make_shared<Collection<std::shared_ptr<UDTField>>>()}));
    udts->Item(1)->Fields->Add(std::make_shared<UDTField>(UDTField{"NAME", 12}));
    Run(Source("d.awl", {"DATA_BLOCK DB 9", "  STRUCT", "   Title : STRING  [20 ];", "   S : STRUCT",
                         "    Inner : string  [ 6];", "   END_STRUCT ;", "   Rec : UDT 7;", "   Arr : ARRAY [1..2] OF STRING [4 ];",
                         "   Plain : INT ;", "  END_STRUCT ;", "BEGIN", "   Title := 'x';", "   S.Inner := 'xy';",
                         "   Rec.Name := 'x';", "END_DATA_BLOCK"}));
    ASSERT_EQ(DeclaredStrings.size(), 3u);
    EXPECT_EQ(DeclaredStrings[0].Name, "");
    EXPECT_EQ(DeclaredStrings[2].Name, "INNER");
    EXPECT_EQ(DeclaredStrings[2].Length, 6);
    ASSERT_EQ(DeclaredUDTs.size(), 2u);
    EXPECT_EQ(DeclaredUDTs[1].Name, "REC");
    EXPECT_EQ(DeclaredUDTs[1].UDTNumber, 7);
    EXPECT_EQ(DeclaredUDTs[1].DBNumber, 9);
    EXPECT_EQ(variables.Item("_DB 9.Title_1")->VariableLen, 20);
    EXPECT_EQ(variables.Item("_DB 9.S.Inner_1")->VariableLen, 2);  // a member takes the literal
    EXPECT_EQ(variables.Item("_DB 9.Rec.Name_1")->VariableLen, 12);
    EXPECT_EQ(Placed(), (Strings{"DB 9.Title@9.0", "DB 9.S.Inner@9.22", "DB 9.Rec.Name@9.26"}));

    // The next file starts with empty tables.
    Run(Source("e.awl", {"DATA_BLOCK DB 8", "BEGIN", "END_DATA_BLOCK"}));
    EXPECT_EQ(DeclaredStrings.size(), 1u);
    EXPECT_EQ(DeclaredUDTs.size(), 1u);
}

TEST_F(DataBlockImport, FailuresEndTheFileAndKeepWhatWasDone) {
    Symbol(variables, "First", "DB", 1);
    Symbol(variables, "Second", "DB", 2);
    Run(Source("f.awl", {"DATA_BLOCK DB 1", "BEGIN", "   a := 5;", "END_DATA_BLOCK", "DATA_BLOCK DB 2",
                         "   Rec : UDT 7", "BEGIN", "   a := 5;", "END_DATA_BLOCK", "DATA_BLOCK DB 3", "BEGIN",
                         "   a := 5;", "END_DATA_BLOCK"}));
    EXPECT_EQ(Names(), (Strings{"DB 1.a"}));  // DB 2's symbol went before the failure

    struct Case { std::string name; std::initializer_list<std::string> lines; Strings expected; };
    const Case cases[] = {
        {"a value without text", {"DATA_BLOCK DB 1", "BEGIN", "   a := 5;", "   b := ", "   c := 5;", "END_DATA_BLOCK"},
         {"DB 1.a@1.0"}},
        {"an S5TIME out of range", {"DATA_BLOCK DB 1", "BEGIN", "   a := S5T#9999H;", "   c := 5;", "END_DATA_BLOCK"}, {}},
        {"a block number beyond 32 bits", {"DATA_BLOCK DB 3000000000", "BEGIN", "   a := 5;", "END_DATA_BLOCK"}, {}},
        {"a UDT number beyond 16 bits", {"DATA_BLOCK DB 1", " R : UDT 40000;", "BEGIN", "   a := 5;", "END_DATA_BLOCK"},
         {}},
        {"a UDT instance member without UDTs is fine when no text", {"DATA_BLOCK DB 1", " R : UDT 4;", "BEGIN",
                                                                      "   R.a := 5;", "END_DATA_BLOCK"},
         {"DB 1.R.a@1.0"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        variables.Clear();
        Run(Source("g.awl", c.lines));
        EXPECT_EQ(Placed(), c.expected);
    }
    EXPECT_NO_THROW(Run(layout.root / "missing.awl"));
}

TEST_F(DataBlockImport, DevicesKeysAndBlockNumbers) {
    Run(Block({"   a := 5;"}), -4);  // the device identifier in the key and the variable
    EXPECT_EQ(variables.Item("_db 1.A_-4")->DeviceId, -4);
    variables.Clear();
    Run(Source("a.awl", {"DATA_BLOCK DB x", "BEGIN", "   a := 5;", "END_DATA_BLOCK"}));
    EXPECT_EQ(Placed(), (Strings{"DB x.a@0.0"}));  // a block without a number is block 0
    variables.Clear();
    // The symbol's key carries device 1; an import for device 2 cannot remove it by its
    // own key, which ends the file.
    Symbol(variables, "Recipes", "DB", 20);
    Run(Source("a.awl", {"DATA_BLOCK DB 20", "BEGIN", "   x := 5;", "END_DATA_BLOCK"}), 2);
    EXPECT_EQ(Names(), (Strings{"Recipes"}));
    OpenDeviceDB(3);  // a device without DBW takes nothing
    Run(Block({"   a := 5;", "   b := TRUE;"}));
    EXPECT_EQ(Names(), (Strings{"Recipes"}));
}

}  // namespace
}  // namespace tessaro::test
