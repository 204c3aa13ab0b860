#include "support/Tokenizer.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

using namespace tarvo;

namespace {
std::vector<std::string> split(std::string_view line, int max)
{
    std::array<std::string_view, 32> fields{};
    int n = parseTokens(line, fields.data(), max);
    return {fields.begin(), fields.begin() + n};
}
} // namespace

TEST(ParseTokens, lineEndNeverReachesLastField)
{
    EXPECT_EQ(split("a,b,c\r\n", 29), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(split("a,b,\n", 29), (std::vector<std::string>{"a", "b", ""}));
}

TEST(ParseTokens, quotedFieldsLoseQuotesAndKeepCommas)
{
    EXPECT_EQ(split("34,\"00,EFG\", 1FG\n", 29), (std::vector<std::string>{"34", "00,EFG", " 1FG"}));
    EXPECT_EQ(split("x,\"unclosed, rest", 29), (std::vector<std::string>{"x", "unclosed, rest"}));
}

TEST(ParseTokens, lastAllowedFieldKeepsTheRest)
{
    EXPECT_EQ(split("a,b,c,d", 3), (std::vector<std::string>{"a", "b", "c,d"}));
    EXPECT_EQ(split("", 5).size(), 0U);
    EXPECT_EQ(split("\r\n", 5).size(), 0U);
}

TEST(Comment, blankHashAndSemicolonLinesCarryNoData)
{
    EXPECT_NE(comment(""), 0);
    EXPECT_NE(comment(" \t\r\n"), 0);
    EXPECT_NE(comment("#HDR COUNTRY,REGION"), 0);
    EXPECT_NE(comment("#VER 12"), 0);
    EXPECT_NE(comment("; note"), 0);
    EXPECT_EQ(comment("US,CA,Austin"), 0);
}

TEST(StrTok, walksBlankSeparatedTokensWithItsOwnState)
{
    StrTok a(" -c  one\ttwo ", " \t");
    StrTok b("x y", " \t");
    EXPECT_EQ(a.next(), "-c");
    EXPECT_EQ(b.next(), "x");
    EXPECT_EQ(a.next(), "one");
    EXPECT_EQ(a.next(), "two");
    EXPECT_FALSE(a.next().has_value());
    EXPECT_EQ(b.next(), "y");
}

TEST(toInt32, convertsLeadingDigitsOnly)
{
    EXPECT_EQ(toInt32("12abc"), 12);
    EXPECT_EQ(toInt32("  -7"), -7);
    EXPECT_EQ(toInt32("abc"), 0);
    EXPECT_EQ(toInt32("99999999999999"), 2147483647);
    EXPECT_EQ(toInt32("-99999999999999"), -2147483647 - 1);
}
