// One value line through the element record: name, section, level, area and type
// identifiers, length and alignment, against the fixture device database.
#include "AwlFixture.h"
#include "awl/DeclarationTables.h"
#include "awl/VariableAWLInfoRecord.h"

#include <limits>

namespace tessaro::test {
namespace {

class ElementRecord : public AwlImport {
protected:
    void SetUp() override {
        AwlImport::SetUp();
        ResetDeclarationTables();
    }
    VariableAWLInfoRecord Parse(const std::string& line, int32_t byte = 0, int32_t bit = 0,
                                const std::string& dbName = "DB 12", int32_t dbNumber = 12) {
        VariableAWLInfoRecord record;
        record.DBName = dbName;
        record.SourceLine = line;
        record.DBNumber = dbNumber;
        record.ByteAddress = byte;
        record.BitAddress = bit;
        record.GetVariableInfoRecord();
        return record;
    }
};

TEST_F(ElementRecord, SpeedIsASignedWordAlignedToAnEvenByte) {
    auto r = Parse("   Speed := 120;", 7, 0);
    const Variable& v = *r.VariableInfoRecord;
    EXPECT_EQ(v.Name, "DB 12.Speed");
    EXPECT_EQ(v.SectionName, "DB 12");
    EXPECT_EQ(v.NestingLevel, 1);
    EXPECT_TRUE(v.Sign);
    EXPECT_EQ(r.DataLength, 2);
    EXPECT_EQ(v.FieldAdd1, 12);
    EXPECT_EQ(v.FieldAdd2, 8);
    EXPECT_EQ(r.ByteAddress, 8);
    EXPECT_EQ(v.DataAreaId, 1);
    EXPECT_EQ(v.DataTypeId, 11);
    EXPECT_EQ(v.TagAttribute, "");
}

TEST_F(ElementRecord, NamesSectionsAndLevels) {
    struct Case {
        std::string path;
        std::string name, section;
        int32_t level;
    };
    const Case cases[] = {
        {"Speed", "DB 12.Speed", "DB 12", 1},
        {"Recipe[3].Name", "DB 12.Recipe[3].Name", "Recipe", 2},
        {"A.B[2].C", "DB 12.A.B[2].C", "B", 3},
        {"Tab[4]", "DB 12.Tab[4]", "DB 12", 1},
        {"Tab[4].X", "DB 12.Tab[4].X", "Tab", 2},
        {"mOtOr.RunNing", "DB 12.mOtOr.RunNing", "mOtOr", 2},
        {"A.B.", "DB 12.A.B.", "B", 3},  // the rest is empty after the last "."
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        auto r = Parse("   " + c.path + " := 1;");
        EXPECT_EQ(r.VariableInfoRecord->Name, c.name);
        EXPECT_EQ(r.VariableInfoRecord->SectionName, c.section);
        EXPECT_EQ(r.VariableInfoRecord->NestingLevel, c.level);
    }
    EXPECT_EQ(Parse("   X := 1;", 0, 0, "\"Recipes\"", 7).VariableInfoRecord->Name, "\"Recipes\".X");
}

TEST_F(ElementRecord, AlignmentAdjustments) {
    struct Case {
        std::string value;
        int32_t byte, bit;
        int32_t fieldAdd2, dataLength;
    };
    const Case cases[] = {
        {"TRUE;", 4, 8, 5, 0},      // the ninth bit opens the next byte
        {"TRUE;", 4, 3, 4, 0},      // a bit in an open run keeps its byte
        {"TRUE;", 5, 0, 5, 0},      // bits stay on odd bytes
        {"B#16#0;", 5, 0, 5, 1},    // so do single bytes
        {"B#16#0;", 4, 3, 5, 1},    // a byte after bits takes the next byte
        {"W#16#0;", 0, 3, 2, 2},    // after bits: +1, then even
        {"W#16#0;", 1, 0, 2, 2},
        {"W#16#0;", 2, 1, 4, 2},    // +1 then +1 again to even
        {"L#1;", 6, 0, 6, 4},
        {"'A';", 3, 0, 3, 1},       // a one-character text is a byte
        {"'AB';", 3, 0, 4, 4},
        {"C 5;", 3, 2, 3, 0},       // unrecognised: length 0, no move
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value + " at " + std::to_string(c.byte) + "." + std::to_string(c.bit));
        auto r = Parse("   X := " + c.value, c.byte, c.bit);
        EXPECT_EQ(r.VariableInfoRecord->FieldAdd2, c.fieldAdd2);
        EXPECT_EQ(r.ByteAddress, c.fieldAdd2);
        EXPECT_EQ(r.DataLength, c.dataLength);
    }
}

TEST_F(ElementRecord, WorkedSequenceThreeBoolsWordByteInt) {
    // The counters advanced as the importer does: bits count up, other elements move
    // the byte counter past themselves.
    struct Step {
        std::string value;
        int32_t byte, bit, fieldAdd2;
    };
    const Step steps[] = {{"TRUE;", 0, 0, 0}, {"FALSE;", 0, 1, 0}, {"TRUE;", 0, 2, 0},
                          {"W#16#0;", 0, 3, 2}, {"B#16#0;", 4, 0, 4}, {"5;", 5, 0, 6}};
    for (const auto& s : steps) {
        auto r = Parse("   X := " + s.value, s.byte, s.bit);
        EXPECT_EQ(r.VariableInfoRecord->FieldAdd2, s.fieldAdd2) << s.value;
    }
}

TEST_F(ElementRecord, TypesAndLabelsFromTheDeviceDatabase) {
    struct Case {
        std::string value;
        int32_t dataTypeId;
        std::string tag;
        bool sign;
    };
    const Case cases[] = {
        {"TRUE;", 10, "BOOL", false},        {"5;", 11, "", true},
        {"L#5;", 12, "", true},              {"1.0e+000;", 13, "", true},
        {"'AB';", 14, "", false},            {"S5T#500MS;", 15, "", false},
        {"S5T#5S;", 16, "", false},          {"S5T#500S;", 17, "", false},
        {"S5T#2H;", 18, "", false},          {"P#M 10.0;", 0, "POINTER", false},
        {"T 5;", 0, "TIMER/COUNT", false},   {"FB 3;", 0, "BLOCK", false},
        {"TOD#1:0:0.0;", 12, "TIME DAY", false}, {"C 5;", 0, "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        auto r = Parse("   X := " + c.value);
        EXPECT_EQ(r.VariableInfoRecord->DataTypeId, c.dataTypeId);
        EXPECT_EQ(r.VariableInfoRecord->TagAttribute, c.tag);
        EXPECT_EQ(r.VariableInfoRecord->Sign, c.sign);
    }
}

TEST_F(ElementRecord, WritesOnlyItsOwnFields) {
    VariableAWLInfoRecord record;
    Variable& v = *record.VariableInfoRecord;
    v.DeviceId = 9;
    v.VariableLen = 5;
    v.Warning = true;
    v.FieldAdd3 = v.FieldAdd4 = v.FieldAdd5 = 3;
    record.DBName = "DB 1";
    record.DBNumber = 1;
    record.SourceLine = "   X := 5;";
    record.GetVariableInfoRecord();
    EXPECT_EQ(v.DeviceId, 9);
    EXPECT_EQ(v.VariableLen, 5);  // only text literals write it
    EXPECT_FALSE(v.Warning);
    EXPECT_EQ(v.FieldAdd3 + v.FieldAdd4 + v.FieldAdd5, 0);
    record.SourceLine = "   X := 'ABC';";
    record.GetVariableInfoRecord();
    EXPECT_EQ(v.VariableLen, 3);
}

TEST_F(ElementRecord, DeviceWithoutDbwGetsNoTypeButAddresses) {
    OpenDeviceDB(3);
    VariableAWLInfoRecord record;
    record.VariableInfoRecord->DataTypeId = 77;
    record.VariableInfoRecord->Sign = true;
    record.DBName = "DB 12";
    record.DBNumber = 12;
    record.ByteAddress = 3;
    record.BitAddress = 2;
    record.SourceLine = "   X := 5;";
    record.GetVariableInfoRecord();
    const Variable& v = *record.VariableInfoRecord;
    EXPECT_EQ(v.DataAreaId, 0);
    EXPECT_EQ(v.DataTypeId, 77);  // not written
    EXPECT_FALSE(v.Sign);
    EXPECT_EQ(record.DataLength, 0);
    EXPECT_EQ(v.FieldAdd1, 12);
    EXPECT_EQ(v.FieldAdd2, 3);
}

TEST_F(ElementRecord, Failures) {
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    EXPECT_EQ(ErrorOf([&] { Parse("   X = 5;"); }), InvalidArgument);
    EXPECT_EQ(ErrorOf([&] { Parse("   X := "); }), InvalidArgument);
    EXPECT_EQ(ErrorOf([&] { Parse("   X := 5;", kMax - 1, 1); }), Overflow);  // +1 odd, +1 past the limit
    EXPECT_EQ(ErrorOf([&] { Parse("   X := TRUE;", kMax, 8); }), Overflow);
    EXPECT_EQ(ErrorOf([&] { Parse("   X := B#16#0;", kMax, 0); }), 0);  // a byte stays where it is
    EXPECT_EQ(ErrorOf([&] { Parse("   X := S5T#1500H;"); }), Overflow);
    DeclaredUDTs.push_back({12, "REC", 0, 1});
    EXPECT_EQ(ErrorOf([&] { Parse("   Rec.Txt := 'A';"); }), ObjectNotSet);  // UDTs unset
    CloseDeviceDB();
    EXPECT_EQ(ErrorOf([&] { Parse("   X := 5;"); }), ObjectNotSet);
}

}  // namespace
}  // namespace tessaro::test
