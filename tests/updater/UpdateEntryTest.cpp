#include "text/TagExpander.h"
#include "updater/UpdateEntry.h"

#include <gtest/gtest.h>

using namespace tarvo;
using namespace std::string_literals;

namespace {

const TagExpander& profileTags()
{
    static TagExpander tags;
    if (tags.entries().empty())
        tags.fill({7, 42, 9}, "", std::nullopt);
    return tags;
}

} // namespace

TEST(UpdateEntry, parsesEveryFieldAndNamesTheFilesWithTheVersionSuffix)
{
    const TagExpander& tags = profileTags();
    UpdateEntry entry = UpdateEntry::parse("books/<profileid>/pbook.txt,cTdl,12,3,4294967295\r\n", tags);
    EXPECT_EQ(entry.line, "books/<profileid>/pbook.txt,cTdl,12,3,4294967295\r\n");
    EXPECT_EQ(entry.path, "books/42/pbook.txt");
    EXPECT_EQ(entry.dir, "books/42/");
    EXPECT_EQ(entry.name, "pbook.txt");
    EXPECT_TRUE(entry.compressed);
    EXPECT_FALSE(entry.binary);
    EXPECT_TRUE(entry.flagD);
    EXPECT_TRUE(entry.dropLog);
    EXPECT_EQ(entry.major, 12);
    EXPECT_EQ(entry.minor, 3);
    EXPECT_EQ(entry.checksum, 4294967295U);

    // Before the download sets the suffix, the names are bare.
    EXPECT_EQ(entry.localName(), "pbook.txt");
    EXPECT_EQ(entry.updatePath(), "update/pbook.txt");
    EXPECT_EQ(entry.remotePath(), "books/42/pbook.txt");
    entry.suffix = entry.major;
    EXPECT_EQ(entry.localName(), "pbook.txt.12");
    EXPECT_EQ(entry.updatePath(), "update/pbook.txt.12");
    EXPECT_EQ(entry.remotePath(), "books/42/pbook.txt.12");
}

TEST(UpdateEntry, numbersConvertLikeTheListsExpect)
{
    const TagExpander& tags = profileTags();
    // The checksum is taken modulo 2^32: negative and oversized values wrap.
    EXPECT_EQ(UpdateEntry::parse("a,,1,0,-1", tags).checksum, 4294967295U);
    EXPECT_EQ(UpdateEntry::parse("a,,1,0,4294967296", tags).checksum, 0U);
    EXPECT_EQ(UpdateEntry::parse("a,,1,0, 77xyz", tags).checksum, 77U);
    // A sixth field stays in the fifth, whose conversion stops at the comma.
    EXPECT_EQ(UpdateEntry::parse("a,,1,0,77,99", tags).checksum, 77U);
    // No fifth field: no check.
    EXPECT_EQ(UpdateEntry::parse("a,A,1,0", tags).checksum, 0U);
    EXPECT_EQ(UpdateEntry::parse("a,,-3,junk", tags).major, -3);
    EXPECT_EQ(UpdateEntry::parse("a,,-3,junk", tags).minor, 0);
    EXPECT_EQ(UpdateEntry::parse("a,,99999999999,0", tags).major, 2147483647);
}

TEST(UpdateEntry, shortLinesAndPathsWithoutAFileNameNameNothing)
{
    const TagExpander& tags = profileTags();
    EXPECT_EQ(UpdateEntry::parse("pbook.txt,C,12", tags).name, "");
    EXPECT_EQ(UpdateEntry::parse("pbook.txt,C,12", tags).fieldCount, 3);
    EXPECT_EQ(UpdateEntry::parse("", tags).name, "");
    UpdateEntry folder = UpdateEntry::parse("books/,C,12,0", tags);
    EXPECT_EQ(folder.name, "");
    EXPECT_EQ(folder.dir, "books/");
    EXPECT_FALSE(folder.unsafeReason().empty());
}

TEST(UpdateEntry, namesThatCouldLeaveTheWorkingFoldersOrHoldControlCharactersAreUnsafe)
{
    const TagExpander& tags = profileTags();
    for (const std::string& path :
         {"..\\pbook.txt"s, "books\\pbook.txt"s, "pbook\0.txt"s, ".."s, "."s, "books/.."s, "..."s, "C:pbook.txt"s,
          "books/"s, "esc\x1b[2J.txt"s, "books\x07/pbook.txt"s, "del\x7f.txt"s}) {
        UpdateEntry entry = UpdateEntry::parse(path + ",C,12,0", tags);
        EXPECT_FALSE(entry.unsafeReason().empty()) << path;
    }
    // Only the name reaches the disk; the folder goes into the URL alone.
    for (const std::string& path : {"pbook.txt"s, "books/42/pbook.txt"s, ".hidden"s, "a..b.txt"s, "a b.txt"s,
                                    "../pbook.txt"s, "books/../../pbook.txt"s, "/etc/passwd"s, "c:/pbook.txt"s,
                                    "books\\old/pbook.txt"s}) {
        UpdateEntry entry = UpdateEntry::parse(path + ",C,12,0", tags);
        EXPECT_EQ(entry.unsafeReason(), "") << path;
    }
}
