// The pure parts of a symbol-table line: the column split and the two tables.

#include "asc/VariableASCInfoRecord.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace tessaro {
namespace {

using test::SymbolLine;

TEST(SplitSymbolLine, ColumnsOfFullAndShortLines) {
    struct Case { std::string line; std::string symbol, area, address, type; } cases[] = {
        {SymbolLine("Motor_On", "E", "0.1", "BOOL", "Motor running"), "Motor_On", "E", "0.1", "BOOL"},
        {SymbolLine("  Spaced name  ", " A ", "  12  ", " int ", "x"), "Spaced name", "A", "12", "int"},
        // Every field filled to its last column: nothing spills into the next field.
        {"1234" + std::string(24, 's') + "EAB#1234567ABCDEFGHrest", std::string(24, 's'), "EAB", "1234567", "ABCDEFGH"},
        // Column 32 and columns 1-4 are never read.
        {"xxxxSym" + std::string(21, ' ') + "M  X12     WORD", "Sym", "M", "12", "WORD"},
        // A line ending inside the type column, the fields still trimmed.
        {"1234Sym" + std::string(21, ' ') + "DB " + " 4.5    DI", "Sym", "DB", "4.5", "DI"},
        // Tabs are not blanks; a lone line feed is an ordinary character.
        {"1234\tTab\t" + std::string(19, ' ') + "M  " + " 1      \tBYTE\t ", "\tTab\t", "M", "1", "\tBYTE\t"},
        {"12\n4Sym", "Sym", "", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        SymbolLineColumns columns = SplitSymbolLine(c.line);
        EXPECT_EQ(columns.Symbol, c.symbol);
        EXPECT_EQ(columns.OperandArea, c.area);
        EXPECT_EQ(columns.Address, c.address);
        EXPECT_EQ(columns.DataType, c.type);
    }
}

TEST(SplitSymbolLine, EveryPrefixOfALineCutsTheFieldsShort) {
    const std::string full = "abcdSYMBOLSYMBOLSYMBOLSYMBOLARE_ADDRESSTYPETYPEtail";
    for (size_t length = 0; length <= full.size(); ++length) {
        SCOPED_TRACE(length);
        SymbolLineColumns columns = SplitSymbolLine(std::string_view(full).substr(0, length));
        auto slice = [&](size_t first, size_t last) {
            if (length < first) return std::string();
            return full.substr(first - 1, std::min(length, last) - first + 1);
        };
        EXPECT_EQ(columns.Symbol, slice(5, 28));
        EXPECT_EQ(columns.OperandArea, slice(29, 31));
        EXPECT_EQ(columns.Address, slice(33, 39));
        EXPECT_EQ(columns.DataType, slice(40, 47));
    }
}

TEST(DataAreaNameOf, OnlySixUpperCaseLettersSelectAnArea) {
    const std::map<char, std::string> expected = {
        {'D', "DBW"}, {'M', "Merker"}, {'Z', "Counter"}, {'T', "Timer"}, {'E', "Input"}, {'A', "Output"},
    };
    for (int code = 0; code < 256; ++code) {
        const char c = static_cast<char>(code);
        SCOPED_TRACE(code);
        auto it = expected.find(c);
        EXPECT_EQ(DataAreaNameOf(std::string(1, c)), it == expected.end() ? "" : it->second);
        // Only the first character counts.
        EXPECT_EQ(DataAreaNameOf(std::string(1, c) + "B"), it == expected.end() ? "" : it->second);
    }
    EXPECT_EQ(DataAreaNameOf(""), "");
    EXPECT_EQ(DataAreaNameOf("PEW"), "");
    EXPECT_EQ(DataAreaNameOf("DB"), "DBW");
}

TEST(SymbolTypeOf, TheTypeTable) {
    struct Case { std::string token; std::string deviceType; bool sign; std::string tag; } cases[] = {
        {"BYTE", "Byte", false, ""},      {"BOOL", "Byte", false, "BOOL"},  {"CHAR", "Byte", false, "CHAR"},
        {"WORD", "Word", false, ""},      {"INT", "Word", true, ""},        {"DWORD", "DWord", false, ""},
        {"DINT", "DWord", true, ""},      {"TIMER", "Timer", false, ""},    {"COUNTER", "Counter", false, ""},
        {"REAL", "DWord", false, "REAL"}, {"TIME", "", false, "TIME"},      {"S5TIME", "", false, "S5TIME"},
        {"DB", "DBW", false, "DB"},       {"DATE", "", false, "UNKNOWN"},   {"", "", false, "UNKNOWN"},
        {"int", "", false, "UNKNOWN"},    {"INT ", "", false, "UNKNOWN"},   {"DBW", "", false, "UNKNOWN"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.token);
        SymbolType type = SymbolTypeOf(c.token);
        EXPECT_EQ(type.DeviceType, c.deviceType);
        EXPECT_EQ(type.Sign, c.sign);
        EXPECT_EQ(type.TagAttribute, c.tag);
    }
}

}  // namespace
}  // namespace tessaro
