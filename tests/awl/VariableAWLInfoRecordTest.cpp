// One value line through the element record: name, section, level, area and type
// identifiers, length and alignment, against the fixture device database.
#include "AwlFixture.h"
#include "awl/DeclarationTables.h"
#include "awl/VariableAWLInfoRecord.h"

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
        DataBlockLayout counters(byte, bit);
        record.Layout = &counters;
        record.GetVariableInfoRecord();
        record.Layout = nullptr;
        return record;
    }
};

TEST_F(ElementRecord, NamesSectionsAndLevels) {
    struct Case { std::string path, section; int32_t level; } cases[] = {
        {"Speed", "DB 12", 1}, {"Recipe[3].Name", "Recipe", 2}, {"A.B[2].C", "B", 3},    {"Tab[4]", "DB 12", 1},
        {"Tab[4].X", "Tab", 2}, {"mOtOr.RunNing", "mOtOr", 2}, {"A.B.", "B", 3},  // empty after the last "."
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        auto r = Parse("   " + c.path + " := 1;");
        const Variable& v = *r.VariableInfoRecord;
        EXPECT_EQ(v.Name, "DB 12." + c.path);
        EXPECT_EQ(v.SectionName, c.section);
        EXPECT_EQ(v.NestingLevel, c.level);
    }
    EXPECT_EQ(Parse("   X := 1;", 0, 0, "\"Recipes\"", 7).VariableInfoRecord->Name, "\"Recipes\".X");
}

// Where the layout places the element, by the type and length the record finds, and its
// identifiers from the device.
TEST_F(ElementRecord, AlignmentTypesAndLabels) {
    struct Case {
        std::string value;
        int32_t byte, bit, fieldAdd2, dataLength, dataTypeId;
        std::string tag;
        bool sign;
    } cases[] = {
        {"TRUE;", 4, 8, 5, 0, 10, "BOOL", false},  // the ninth bit opens the next byte
        {"TRUE;", 4, 3, 4, 0, 10, "BOOL", false},  // a bit in an open run keeps its byte
        {"TRUE;", 5, 0, 5, 0, 10, "BOOL", false},  // bits stay on odd bytes
        {"B#16#0;", 5, 0, 5, 1, 10, "", false},    // so do single bytes
        {"B#16#0;", 4, 3, 5, 1, 10, "", false},    // a byte after bits takes the next byte
        {"W#16#0;", 0, 3, 2, 2, 11, "", false},    // after bits: +1, then even
        {"W#16#0;", 1, 0, 2, 2, 11, "", false},
        {"W#16#0;", 2, 1, 4, 2, 11, "", false},    // +1 then +1 again to even
        {"5;", 7, 0, 8, 2, 11, "", true}, {"L#1;", 6, 0, 6, 4, 12, "", true},
        {"'A';", 3, 0, 3, 1, 14, "", false},       // a one-character text is a byte
        {"'AB';", 3, 0, 4, 4, 14, "", false},
        {"C 5;", 3, 2, 3, 0, 0, "", false},        // unrecognised: length 0, no move
        {"1.0e+000;", 0, 0, 0, 4, 13, "", true}, {"S5T#500MS;", 0, 0, 0, 2, 15, "", false},
        {"S5T#5S;", 0, 0, 0, 2, 16, "", false}, {"S5T#500S;", 0, 0, 0, 2, 17, "", false},
        {"S5T#2H;", 0, 0, 0, 2, 18, "", false},
        {"P#M 10.0;", 0, 0, 0, 10, 0, "POINTER", false},
        {"T 5;", 0, 0, 0, 2, 0, "TIMER/COUNT", false}, {"FB 3;", 0, 0, 0, 2, 0, "BLOCK", false},
        {"TOD#1:0:0.0;", 0, 0, 0, 4, 12, "TIME DAY", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value + " at " + std::to_string(c.byte) + "." + std::to_string(c.bit));
        auto r = Parse("   X := " + c.value, c.byte, c.bit);
        const Variable& v = *r.VariableInfoRecord;
        EXPECT_EQ(v.FieldAdd1, 12);
        EXPECT_EQ(v.FieldAdd2, c.fieldAdd2);
        EXPECT_EQ(r.DataLength, c.dataLength);
        EXPECT_EQ(v.DataAreaId, 1);
        EXPECT_EQ(v.DataTypeId, c.dataTypeId);
        EXPECT_EQ(v.TagAttribute, c.tag);
        EXPECT_EQ(v.Sign, c.sign);
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
    DataBlockLayout counters(3, 2);
    record.Layout = &counters;
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
    EXPECT_EQ(ErrorNumberOf([&] { Parse("   X = 5;"); }), InvalidArgument);
    EXPECT_EQ(ErrorNumberOf([&] { Parse("   X := "); }), InvalidArgument);
    EXPECT_EQ(ErrorNumberOf([&] { Parse("   X := S5T#1500H;"); }), Overflow);
    DeclaredUDTs.push_back({12, "REC", 0, 1});
    EXPECT_EQ(ErrorNumberOf([&] { Parse("   Rec.Txt := 'A';"); }), ObjectNotSet);  // UDTs unset
    CloseDeviceDB();
    EXPECT_EQ(ErrorNumberOf([&] { Parse("   X := 5;"); }), ObjectNotSet);
}

}  // namespace
}  // namespace tessaro::test
