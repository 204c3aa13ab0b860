#include "support/LineReader.h"

#include "fixtures/AllLines.h"
#include "fixtures/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tarvo;
using tarvo::test::TempDir;

namespace {

std::vector<std::string> linesOf(const std::string& content, std::size_t maxLine = LineReader::kDefaultMaxLine)
{
    TempDir dir;
    dir.write("f.txt", content);
    LineReader reader(dir.file("f.txt"), maxLine);
    return tarvo::test::allLines(reader);
}

} // namespace

TEST(LineReader, everyLineEndEndsALineAndStaysWithIt)
{
    EXPECT_EQ(linesOf("a\nb\r\nc\rd"), (std::vector<std::string>{"a\n", "b\r\n", "c\r", "d"}));
    // A file of CR-only ends is as many lines as it has ends, not one long line.
    EXPECT_EQ(linesOf("#VER 1\rx\ry\r"), (std::vector<std::string>{"#VER 1\r", "x\r", "y\r"}));
    // LF CR is an LF, then a CR: two line ends.
    EXPECT_EQ(linesOf("a\n\rb"), (std::vector<std::string>{"a\n", "\r", "b"}));
    EXPECT_EQ(linesOf("\r\n\r\n"), (std::vector<std::string>{"\r\n", "\r\n"}));
    EXPECT_TRUE(linesOf("").empty());
}

TEST(LineReader, aCarriageReturnAtTheEndOfARefillWaitsForTheNextBlock)
{
    // The reader takes 64 KiB at a time: put a CR LF and a lone CR exactly
    // across that boundary.
    for (std::size_t before : {65535U, 65536U, 65534U}) {
        std::string text;
        while (text.size() + 40 < before)
            text += std::string(30, 'x') + "\r\n";
        text += std::string(before - 1 - text.size(), 'y');
        text += "\r\nz\rw\r";
        std::vector<std::string> lines = linesOf(text);
        ASSERT_GE(lines.size(), 3U);
        EXPECT_EQ(lines[lines.size() - 3].back(), '\n') << before;
        EXPECT_EQ(lines[lines.size() - 2], "z\r") << before;
        EXPECT_EQ(lines.back(), "w\r") << before;
        std::string joined;
        for (const std::string& l : lines)
            joined += l;
        EXPECT_EQ(joined, text) << "no byte lost or repeated at " << before;
    }
}

TEST(LineReader, longLinesSplitAtTheLimitWithCrLfCountingAsOne)
{
    // Four characters and CR LF fit a limit of five, as in text mode.
    EXPECT_EQ(linesOf("abcd\r\nabcde\r\nab", 5), (std::vector<std::string>{"abcd\r\n", "abcde", "\r\n", "ab"}));
    EXPECT_EQ(linesOf("abcdefg\rx", 5), (std::vector<std::string>{"abcde", "fg\r", "x"}));
}
