#include "platform/LineReader.h"

#include <tessaro/RuntimeError.h>

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tessaro {
namespace {

std::vector<std::string> LinesOf(const std::string& bytes) {
    test::TempDir dir;
    test::WriteFile(dir / "f.txt", bytes);
    LineReader reader(dir / "f.txt");
    std::vector<std::string> lines;
    while (!reader.AtEnd()) lines.emplace_back(reader.ReadLine());
    return lines;
}

using Lines = std::vector<std::string>;

TEST(LineReader, EndsLinesAtCrAndCrLfOnly) {
    struct Case { std::string bytes; Lines expected; } cases[] = {
        {"", {}}, {"a", {"a"}}, {"a\r\n", {"a"}}, {"a\r", {"a"}}, {"a\rb", {"a", "b"}}, {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb\n", {"a\nb\n"}},            // a lone LF stays part of the line
        {"a\n\rb", {"a\n", "b"}}, {"\r\n", {""}}, {"\r\n\r\n", {"", ""}}, {"a\r\r\nb", {"a", "", "b"}},
        {"a\r\n\nb", {"a", "\nb"}},          // LF after CR LF begins the next line
        {std::string("a\0b\r", 4), {std::string("a\0b", 3)}},
    };
    for (const auto& c : cases) EXPECT_EQ(LinesOf(c.bytes), c.expected) << testing::PrintToString(c.bytes);
}

TEST(LineReader, HandlesTerminatorsAndLinesAcrossReadBlocks) {
    const size_t block = 1 << 16;
    // CR as the last byte of the first block, its LF the first of the second.
    std::string first(block - 1, 'x');
    EXPECT_EQ(LinesOf(first + "\r\nyz"), (Lines{first, "yz"}));
    // The file ends with CR LF split over two blocks: no empty last line.
    EXPECT_EQ(LinesOf(first + "\r\n"), (Lines{first}));
    // A line three blocks long.
    std::string big(3 * block + 17, 'q');
    EXPECT_EQ(LinesOf("a\r" + big + "\rb"), (Lines{"a", big, "b"}));
}

TEST(LineReader, ReportsFileFailuresByNumber) {
    using test::ErrorNumberOf;
    test::TempDir dir;
    test::WriteFile(dir / "one.txt", "x");
    EXPECT_EQ(ErrorNumberOf([&] { LineReader r(dir / "missing.asc"); }), FileNotFound);
    EXPECT_EQ(ErrorNumberOf([&] { LineReader r(""); }), BadFileNameOrNumber);
    // A folder opens but cannot be read.
    EXPECT_EQ(ErrorNumberOf([&] { LineReader(dir.path().string()).AtEnd(); }), PathFileAccessError);
    EXPECT_EQ(ErrorNumberOf([&] {
                  LineReader r(dir / "one.txt");
                  r.ReadLine();
                  r.ReadLine();
              }),
              InputPastEndOfFile);
}

}  // namespace
}  // namespace tessaro
