#include "support/FileSizeLimit.h"

#include "fixtures/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using namespace tarvo;
using tarvo::test::TempDir;

namespace {

// Numbered lines of 20 bytes each ("line 00000 ........\n").
std::string numberedLines(int count, const char* lineEnd = "\n")
{
    std::string text;
    for (int i = 0; i < count; ++i) {
        char line[32];
        std::snprintf(line, sizeof line, "line %05d ........%s", i, lineEnd);
        text += line;
    }
    return text;
}

TEST(LimitFileSize, fileWithinTheSlackIsLeftAlone)
{
    TempDir dir;
    std::string log = numberedLines(3750); // 75000 bytes: exactly 50000 * 1.5
    dir.write("update.log", log);
    EXPECT_TRUE(limitFileSize(dir.file("update.log"), 50000, 1.5f));
    EXPECT_EQ(dir.read("update.log"), log);

    EXPECT_TRUE(limitFileSize(dir.file("absent.log"), 50000, 1.5f));
    EXPECT_FALSE(dir.exists("absent.log")) << "bounding a missing log must not create it";
}

TEST(LimitFileSize, largerFileKeepsItsNewestWholeLines)
{
    TempDir dir;
    std::string log = numberedLines(3750) + "last line\n"; // 75010 bytes
    dir.write("update.log", log);
    ASSERT_TRUE(limitFileSize(dir.file("update.log"), 50000, 1.5f));
    std::string kept = dir.read("update.log");
    EXPECT_LE(kept.size(), 50000U);
    EXPECT_GT(kept.size(), 50000U - 20U) << "only the partial first line may go";
    ASSERT_EQ(log.compare(log.size() - kept.size(), kept.size(), kept), 0) << "not the end of the old file";
    EXPECT_EQ(log[log.size() - kept.size() - 1], '\n') << "kept part does not start at a line start";
    EXPECT_EQ(kept.substr(0, 5), "line ");
    EXPECT_EQ(kept.substr(kept.size() - 10), "last line\n");
}

TEST(LimitFileSize, cutExactlyAtALineStartKeepsThatLine)
{
    TempDir dir;
    std::string log = numberedLines(10); // 200 bytes
    dir.write("a.log", log);
    ASSERT_TRUE(limitFileSize(dir.file("a.log"), 60, 1.5f));
    EXPECT_EQ(dir.read("a.log"), log.substr(140)) << "the line at the cut is whole and must stay";

    std::string crlf = numberedLines(10, "\r\n"); // 210 bytes
    dir.write("b.log", crlf);
    ASSERT_TRUE(limitFileSize(dir.file("b.log"), 50, 1.0f));
    std::string kept = dir.read("b.log");
    EXPECT_EQ(kept, crlf.substr(168)) << "a CR LF line end must not be split";
}

TEST(LimitFileSize, oddArgumentsNeverLoseMoreThanTheRuleSays)
{
    TempDir dir;
    std::string oneLine(1000, 'z');
    dir.write("c.log", oneLine);
    ASSERT_TRUE(limitFileSize(dir.file("c.log"), 100, 1.5f));
    EXPECT_EQ(dir.read("c.log"), std::string(100, 'z')) << "no line start at all: the newest bytes stay";

    std::string log = numberedLines(10); // 200 bytes
    dir.write("d.log", log);
    ASSERT_TRUE(limitFileSize(dir.file("d.log"), 150, 0.5f));
    EXPECT_EQ(dir.read("d.log"), log.substr(60)) << "a factor below 1 counts as 1";
    ASSERT_TRUE(limitFileSize(dir.file("d.log"), 150, 0.5f));
    EXPECT_EQ(dir.read("d.log"), log.substr(60)) << "within the bound now";

    EXPECT_FALSE(limitFileSize(dir.file("d.log"), -1, 1.5f));
    EXPECT_EQ(dir.read("d.log"), log.substr(60));

    ASSERT_TRUE(limitFileSize(dir.file("d.log"), 0, 1.5f));
    EXPECT_EQ(dir.read("d.log"), "");
}

TEST(LimitFileSize, leavesNoTemporaryFilesBehind)
{
    TempDir dir;
    dir.write("e.log", numberedLines(100));
    ASSERT_TRUE(limitFileSize(dir.file("e.log"), 500, 1.5f));
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 1);
}

} // namespace
