// Inputs at the edges of size and of the number ranges, through whole imports. The
// counts asserted (yields, variables, reports) bound the work: one yield per line read
// by an importer's main loop, so a reader that went back over its input would show.

#include "ReliabilitySupport.h"
#include "messages/MessengerClock.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tessaro {
namespace {

namespace fs = std::filesystem;
using namespace test;

class InputLimits : public ::testing::Test {
protected:
    void SetUp() override { driver.DeviceCodeId = driver.DeviceId = 1; }
    std::string Source(const std::string& name, const std::string& content) {
        WriteFile(sources / name, content);
        return sources / name;
    }
    bool Import(const std::vector<std::string>& files) {
        auto list = Sources(files);
        return driver.GetVariables(list);
    }
    std::string Merged() const { return fs::exists(layout.merged) ? ReadFile(layout.merged) : std::string(); }
    ComponentLayout layout{SampleDeviceDbSql()};
    TempDir sources;
    VariableDriver driver;
};

// One symbol-table line of 100 MB: one line read, one yield, its symbol imported from
// the fixed columns; the rest of the line is never looked at.
TEST_F(InputLimits, ALineOf100MegabytesIsOneLineAndOneVariable) {
    std::string line = SymbolLine("Huge", "M", "3.0", "BYTE") + "\r\n";
    line.resize(line.size() - 2);
    line.append(100u * 1024 * 1024 - line.size(), 'x');
    const std::string path = Source("Huge.ASC", line);
    line.clear();
    line.shrink_to_fit();
    YieldAction yields;
    EXPECT_TRUE(Import({path}));
    EXPECT_EQ(yields.Count(), 1);
    ASSERT_EQ(driver.Variables->Count(), 1u);
    EXPECT_EQ(driver.Variables->Item(1)->Name, "Huge");
    EXPECT_EQ(driver.Variables->Item(1)->FieldAdd1, 3);
    EXPECT_EQ(Merged(), "") << "nothing to report";
}

// A million empty lines in a symbol table: a million yields, nothing imported, nothing
// reported. The same lines inside a data block's declarations are read by the block's
// own loop: one yield for the header line, one for BEGIN and one per value line; the
// only report is the element's INT->Word conversion.
TEST_F(InputLimits, AMillionEmptyLinesAreReadOnceEach) {
    std::string empty;
    empty.reserve(2'000'000);
    for (int i = 0; i < 1'000'000; ++i) empty += "\r\n";
    const std::string asc = Source("Empty.ASC", empty);
    {
        YieldAction yields;
        EXPECT_TRUE(Import({asc}));
        EXPECT_EQ(yields.Count(), 1'000'000);
        EXPECT_EQ(driver.Variables->Count(), 0u);
    }
    const std::string awl = Source("Empty.AWL", "DATA_BLOCK DB 3\r\n" + empty + "BEGIN\r\n   A := 1;\r\nEND_DATA_BLOCK\r\n");
    YieldAction yields;
    EXPECT_TRUE(Import({awl}));
    // Pre-pass: one yield (no type definition); data blocks: header+declarations, BEGIN
    // and the value line, then END_DATA_BLOCK.
    EXPECT_EQ(yields.Count(), 1 + 4);
    ASSERT_EQ(driver.Variables->Count(), 1u);
    EXPECT_EQ(driver.Variables->Item(1)->Name, "DB 3.A");
    EXPECT_EQ(Merged().find("-File access error"), std::string::npos) << Merged();
}

// Bytes the format never shows: a NUL inside a symbol is part of the name and of its key;
// letters above 0x7F fold by the code page, so Motor_ä and MOTOR_Ä are one name and the
// second is reported as a clash, with its bytes as read; a 20,000-character element path
// gives a variable of that name, and the same path again is a clash.
TEST_F(InputLimits, NulBytesHighLettersAndLongNamesKeepTheirBytes) {
    const std::string nulA = std::string("Valve\0A", 7), nulB = std::string("Valve\0B", 7);
    const std::string asc = Source("Odd.ASC", SymbolLine(nulA, "M", "1.0", "BYTE") + "\r\n" + SymbolLine(nulB, "M", "2.0", "BYTE") + "\r\n" +
                                                  SymbolLine("Motor_\xE4", "M", "3.0", "BYTE") + "\r\n" +
                                                  SymbolLine("MOTOR_\xC4", "M", "4.0", "BYTE") + "\r\n");
    const std::string path(20'000, 'p');
    const std::string awl = Source("Long.AWL", CrLf({"DATA_BLOCK DB 9", "BEGIN", "   " + path + " := 1;",
                                                     "   " + path + " := 2;", "END_DATA_BLOCK"}));
    EXPECT_TRUE(Import({asc, awl}));
    struct Case {
        std::string name;
        int32_t fieldAdd1;  // the byte number of a symbol, the block number of an element
    };
    const Case expected[] = {{nulA, 1}, {nulB, 2}, {"Motor_\xE4", 3}, {"DB 9." + path, 9}};
    ASSERT_EQ(driver.Variables->Count(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(driver.Variables->Item(i + 1)->Name, expected[i].name) << i;
        EXPECT_EQ(driver.Variables->Item(i + 1)->FieldAdd1, expected[i].fieldAdd1) << i;
    }
    const std::string merged = Merged();
    EXPECT_NE(merged.find("MOTOR_\xC4"), std::string::npos) << "the clash under the name as read";
    EXPECT_NE(merged.find("DB 9." + path), std::string::npos) << "the long clash, whole";
}

// Numbers at the edge of their width. A UDT number is 16 bits: 32767 and -32768 are
// read, one beyond is a file error of the pre-pass that keeps the definitions before it.
// The byte counter is 32 bits: a STRING declared so long that the block ends exactly at
// 2147483647 imports; an element after it, or a string one byte longer, is a file error
// that keeps the variables before it.
TEST_F(InputLimits, UdtNumbersAndByteCountersAtTheirOverflowLimit) {
    auto block = [](const std::string& length, const std::vector<std::string>& values) {
        std::vector<std::string> lines = {"DATA_BLOCK DB 4", "  STRUCT", "   S : STRING  [" + length + " ];", "  END_STRUCT ;", "BEGIN"};
        for (const auto& value : values) lines.push_back("   " + value);
        lines.push_back("END_DATA_BLOCK");
        return CrLf(lines);
    };
    auto udt = [](const std::string& number) {
        return CrLf({"TYPE UDT 1", "  STRUCT", "   T : STRING  [4 ];", "  END_STRUCT ;", "END_TYPE", "TYPE UDT " + number,
                     "  STRUCT", "  END_STRUCT ;", "END_TYPE"});
    };
    struct Case { std::string what, source; std::vector<std::string> imported; bool fileError; } cases[] = {
        {"UDT 32767", udt("32767"), {}, false}, {"UDT -32768", udt("-32768"), {}, false},
        {"UDT 32768", udt("32768"), {}, true}, {"UDT -32769", udt("-32769"), {}, true},
        {"ends at 2147483647", block("2147483645", {"S := 'a';"}), {"DB 4.S"}, false},
        {"an element after it", block("2147483645", {"S := 'a';", "N := 1;", "M := 2;"}), {"DB 4.S"}, true},
        {"one byte longer", block("2147483646", {"N := 1;", "S := 'a';"}), {"DB 4.N"}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(layout.merged);
        const std::string awl = Source("Limits.AWL", c.source);
        Imported out = ImportWithDriver(layout, {awl});
        EXPECT_TRUE(out.result);
        std::vector<std::string> names;
        for (const auto& v : out.variables) names.push_back(v.substr(0, v.find('|')));
        EXPECT_EQ(names, c.imported);
        EXPECT_EQ(out.merged.find("-File access error\r\n\r\n" + awl) != std::string::npos, c.fileError) << out.merged;
    }
}

}  // namespace
}  // namespace tessaro
