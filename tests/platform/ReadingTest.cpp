// Reading source text: lines across read blocks, the number in a text against a slow
// reference, columns of double-byte text. How the imports narrow the numbers shows in the
// corpus (numbers-truncated-or-rounded-halves-to-even).
#include "platform/LineReader.h"
#include "platform/Text.h"

#include <tessaro/CodePage.h>
#include <tessaro/RuntimeError.h>

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <regex>

namespace tessaro {
namespace {

using test::ErrorNumberOf;

using Lines = std::vector<std::string>;

Lines LinesOf(const std::string& bytes, bool lineFeedEnds = false, LineReader::Tabs tabs = LineReader::Tabs::AsWritten) {
    test::TempDir dir;
    test::WriteFile(dir / "f.txt", bytes);
    LineReader reader(dir / "f.txt", lineFeedEnds, tabs);
    Lines lines;
    while (!reader.AtEnd()) lines.emplace_back(reader.ReadLine());
    return lines;
}

// The line reader at the edges of its read blocks; its line ends, CR or CR LF only, show
// in the corpus (asc-import-line-ends-*).
TEST(LineReader, HandlesTerminatorsAndLinesAcrossReadBlocks) {
    const size_t block = 1 << 16;
    // CR as the last byte of the first block, its LF the first of the second.
    std::string first(block - 1, 'x');
    EXPECT_EQ(LinesOf(first + "\r\nyz"), (Lines{first, "yz"}));
    // The file ends with CR LF split over two blocks: no empty last line.
    EXPECT_EQ(LinesOf(first + "\r\n"), (Lines{first}));
    // CR at the end of a block and another at the start of the next: an empty line.
    EXPECT_EQ(LinesOf(first + "\r\rz"), (Lines{first, "", "z"}));
    // A line three blocks long.
    std::string big(3 * block + 17, 'q');
    EXPECT_EQ(LinesOf("a\r" + big + "\rb"), (Lines{"a", big, "b"}));
}

// Lone LFs as line ends at the edges of the read blocks: an LF after a CR at a block's
// end is still that CR's, a lone LF there ends its line, an LF then CR is two line ends.
TEST(LineReader, LoneLineFeedsEndLinesAcrossReadBlocks) {
    const size_t block = 1 << 16;
    std::string first(block - 1, 'x');
    EXPECT_EQ(LinesOf(first + "\r\nyz", true), (Lines{first, "yz"}));
    EXPECT_EQ(LinesOf(first + "\nyz\n", true), (Lines{first, "yz"}));
    EXPECT_EQ(LinesOf(std::string(block, 'x') + "\nyz", true), (Lines{std::string(block, 'x'), "yz"}));
    EXPECT_EQ(LinesOf("a\n\rb\r\n\nc", true), (Lines{"a", "", "b", "", "c"}));
    EXPECT_EQ(LinesOf("a\nb", false), (Lines{"a\nb"}));
}

// Tabs as blanks: to the next multiple of 8 columns in fixed columns; as value
// indentation, an indentation holding a tab becomes three blanks and any later tab one.
TEST(LineReader, TabsBecomeBlanksByTheirRule) {
    EXPECT_EQ(LinesOf("126,Pump\t\t    E\t    0.0", false, LineReader::Tabs::ToColumns),
              (Lines{"126,Pump" + std::string(20, ' ') + "E" + std::string(3, ' ') + "    0.0"}));
    EXPECT_EQ(LinesOf("\t \tOn\t:= TRUE;\r  Off := 1;", false, LineReader::Tabs::ToValueIndentation),
              (Lines{"   On := TRUE;", "  Off := 1;"}));
    EXPECT_EQ(LinesOf("\tOn := TRUE;", false, LineReader::Tabs::AsWritten), (Lines{"\tOn := TRUE;"}));
    // The start of a line is the start of its expansion, whether or not a tab lies past it.
    test::TempDir dir;
    test::WriteFile(dir / "f.txt", "ab\tc\rabcdef\tg\rx\ty\rz");
    LineReader reader(dir / "f.txt", false, LineReader::Tabs::ToColumns);
    EXPECT_EQ(reader.ReadLineStart(4), "ab  ");
    EXPECT_EQ(reader.ReadLineStart(3), "abc");
    EXPECT_EQ(reader.ReadLineStart(9), "x       y");
    EXPECT_EQ(reader.ReadLine(), "z");
}

// A slow, obviously right reader: strip the blanks, take the longest prefix of the
// number's grammar, hand it to strtod.
double ReferenceNumberIn(const std::string& text) {
    std::string s;
    std::copy_if(text.begin(), text.end(), std::back_inserter(s), [](char c) { return c != ' ' && c != '\t' && c != '\n'; });
    static const std::regex number("^[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([EeDd][+-]?[0-9]+)?");
    std::smatch match;
    if (!std::regex_search(s, match, number)) return 0;
    std::string found = match.str();
    std::replace_if(found.begin(), found.end(), [](char c) { return c == 'D' || c == 'd'; }, 'E');
    return std::strtod(found.c_str(), nullptr);
}

// Every text of up to five characters over an alphabet of the number's pieces, and texts
// with what the alphabet lacks; beyond a double, the overflow error.
TEST(NumberIn, AgreesWithAReferenceOnEveryShortInputAndOddOnes) {
    std::vector<std::string> texts = {"abc", "M 12", "12abc", "1e3", "1d3", "2.5e-1", "4\t2", "12.5;", "1.500000e+000;",
                                      "1Ex", "1E+", "3E-400", "1E400", std::string(400, '9'), "007", "0.000"};
    const std::string alphabet = "0159.-+E D";
    std::function<void(const std::string&)> grow = [&](const std::string& text) {
        texts.push_back(text);
        if (text.size() < 5)
            for (char c : alphabet) grow(text + c);
    };
    grow("");
    for (const auto& text : texts) {
        const double expected = ReferenceNumberIn(text);
        if (std::isinf(expected)) {
            ASSERT_EQ(ErrorNumberOf([&] { NumberIn(text); }), Overflow) << '"' << text << '"';
        } else {
            ASSERT_EQ(NumberIn(text), expected) << '"' << text << '"';
        }
    }
    EXPECT_GT(texts.size(), 100000u);
    EXPECT_DOUBLE_EQ(NumberIn(std::string(300, '1') + "E-299"), NumberIn("1.11111111111111111111"));
}

// Columns count characters (the corpus's CP936 and CP932 cases show them in imports); a
// lead byte before a byte it does not pair with is a character of its own.
TEST(Columns, ALoneLeadByteIsACharacter) {
    SetCodePage("CP936");
    EXPECT_EQ(Columns("a\xD6 \xD6", 3, 2), " \xD6");
    EXPECT_EQ(Columns("\xD6\xD0\xD6", 2, 5), "\xD6");
    SetCodePage("WINDOWS-1252");
}

}  // namespace
}  // namespace tessaro
