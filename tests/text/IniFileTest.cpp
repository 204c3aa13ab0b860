#include "text/IniFile.h"

#include "fixtures/TempDir.h"
#include "support/AtomicFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

using namespace tarvo;
using tarvo::test::TempDir;

namespace {

class IniFileTest : public ::testing::Test {
protected:
    IniFile bind(std::string_view content)
    {
        m_dir.write("s.ini", content);
        return IniFile(m_dir.file("s.ini"));
    }
    std::string read(const IniFile& ini, std::string_view section, std::string_view key,
                     std::string_view def = "<def>")
    {
        return ini.readString(section, key, def);
    }

    TempDir m_dir;
};

} // namespace

TEST_F(IniFileTest, missingFileSectionOrKeyGivesTheDefault)
{
    IniFile none(m_dir.file("absent.ini"));
    EXPECT_EQ(read(none, "Sec", "Key"), "<def>");
    EXPECT_EQ(none.readInt("Sec", "Key", "0"), 0);
    EXPECT_TRUE(none.readBool("Sec", "Key", true));

    IniFile ini = bind("[Sec]\r\nKey=v\r\n");
    EXPECT_EQ(read(ini, "Other", "Key"), "<def>");
    EXPECT_EQ(read(ini, "Sec", "Nope"), "<def>");
}

TEST_F(IniFileTest, sectionsAndKeysIgnoreCaseAndBlanks)
{
    IniFile ini = bind("  [ Profile ]  \r\n\t MaxPops \t=  25 \t\r\n");
    EXPECT_EQ(read(ini, "PROFILE", "maxpops"), "25");
    EXPECT_EQ(read(ini, "profile", " MAXPOPS "), "25");
}

TEST_F(IniFileTest, firstOfTwoEqualKeysAndSectionsWins)
{
    IniFile ini = bind("[A]\nk=1\nK=2\n[B]\nx=b\n[a]\nk=3\nonly=second\n");
    EXPECT_EQ(read(ini, "A", "k"), "1");
    // The second [a] is never consulted, not even for keys the first lacks.
    EXPECT_EQ(read(ini, "A", "only"), "<def>");
    EXPECT_EQ(read(ini, "B", "x"), "b");
}

TEST_F(IniFileTest, matchingQuotesAreRemovedOthersKept)
{
    IniFile ini = bind("[S]\n"
                       "d=\"abc\"\n"
                       "s='a b'\n"
                       "lone=\"abc\n"
                       "mixed=\"abc'\n"
                       "one=\"\n"
                       "empty=\"\"\n"
                       "inner=a\"b\"c\n");
    EXPECT_EQ(read(ini, "S", "d"), "abc");
    EXPECT_EQ(read(ini, "S", "s"), "a b");
    EXPECT_EQ(read(ini, "S", "lone"), "\"abc");
    EXPECT_EQ(read(ini, "S", "mixed"), "\"abc'");
    EXPECT_EQ(read(ini, "S", "one"), "\"");
    EXPECT_EQ(read(ini, "S", "empty"), "");
    EXPECT_EQ(read(ini, "S", "inner"), "a\"b\"c");
}

TEST_F(IniFileTest, valueRunsFromTheFirstEqualsSignAndKeepsSemicolons)
{
    IniFile ini = bind("[S]\n"
                       "a=b=c\n"
                       "url=http://x/?q=1;r=2\n"
                       "; commented=yes\n"
                       "  ;indented=yes\n"
                       "v=1 ; not a comment\n"
                       "no equals sign\n");
    EXPECT_EQ(read(ini, "S", "a"), "b=c");
    EXPECT_EQ(read(ini, "S", "url"), "http://x/?q=1;r=2");
    EXPECT_EQ(read(ini, "S", "; commented"), "<def>");
    EXPECT_EQ(read(ini, "S", ";indented"), "<def>");
    EXPECT_EQ(read(ini, "S", "v"), "1 ; not a comment");
    EXPECT_EQ(read(ini, "S", "no equals sign"), "<def>");
}

TEST_F(IniFileTest, lineEndsAndByteOrderMarkReadAlike)
{
    for (std::string_view text : {"[S]\r\na=1\r\nb=2\r\n", "[S]\na=1\nb=2\n", "[S]\ra=1\rb=2\r",
                                  "\xEF\xBB\xBF[S]\r\na=1\r\nb=2", "[S]\n\r\n\ra=1\r\n\nb=2"}) {
        SCOPED_TRACE(testing::PrintToString(std::string(text)));
        IniFile ini = bind(text);
        EXPECT_EQ(read(ini, "S", "a"), "1");
        EXPECT_EQ(read(ini, "S", "b"), "2");
    }
}

TEST_F(IniFileTest, presentEmptyKeyIsNotTheDefault)
{
    IniFile ini = bind("[S]\nempty=\nblank=   \n");
    EXPECT_EQ(read(ini, "S", "empty"), "");
    EXPECT_EQ(read(ini, "S", "blank"), "");
    EXPECT_FALSE(ini.readBool("S", "empty", true));
}

TEST_F(IniFileTest, valuesAreCutToTheBuffer)
{
    std::string longValue(300, 'x');
    longValue[258] = 'E';
    longValue[259] = 'Z';
    IniFile ini = bind("[S]\nlong=" + longValue + "\nnum=1234567890123456789012\nq=\"" + std::string(270, 'q')
                       + "\"\n");
    std::string v = read(ini, "S", "long");
    ASSERT_EQ(v.size(), 259U);
    EXPECT_EQ(v.back(), 'E');
    EXPECT_EQ(read(ini, "S", "q"), std::string(259, 'q'));
    // A default is cut like a value.
    EXPECT_EQ(read(ini, "S", "absent", longValue).size(), 259U);
    EXPECT_EQ(ini.readString("S", "long", "", 5), "xxxx");
    // ReadInt sees 19 characters.
    EXPECT_EQ(ini.readInt("S", "num", "0"), 2147483647); // saturates, never wraps
    IniFile ini2 = bind("[S]\nnum=                  7\nnum2=                   7\n");
    EXPECT_EQ(ini2.readInt("S", "num", "0"), 7);  // 18 blanks + digit: 19 characters
    EXPECT_EQ(ini2.readInt("S", "num2", "0"), 7); // blanks are trimmed before the cut
}

TEST_F(IniFileTest, readIntConvertsLeadingDigits)
{
    IniFile ini = bind("[S]\na=12abc\nb=abc\nc=-42\nd=+7x\ne=\n");
    EXPECT_EQ(ini.readInt("S", "a", "0"), 12);
    EXPECT_EQ(ini.readInt("S", "b", "9"), 0);
    EXPECT_EQ(ini.readInt("S", "c", "0"), -42);
    EXPECT_EQ(ini.readInt("S", "d", "0"), 7);
    EXPECT_EQ(ini.readInt("S", "e", "9"), 0);
    EXPECT_EQ(ini.readInt("S", "absent", "3"), 3);
}

TEST_F(IniFileTest, readBoolLooksAtTheFirstCharacterOnly)
{
    IniFile ini = bind("[S]\nk1=yes\nk2=Yes\nk3=y\nk4=1\nk5=10\nk6=no\nk7=true\nk8=0\nk9=\nk10=No\n");
    const std::vector<bool> expected = {true, true, true, true, true, false, false, false, false, false};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        std::string key = "k" + std::to_string(i + 1);
        for (bool def : {false, true})
            EXPECT_EQ(ini.readBool("S", key, def), expected[i]) << key << " default " << def;
    }
    EXPECT_FALSE(ini.readBool("S", "absent", false));
    EXPECT_TRUE(ini.readBool("S", "absent", true));
}

TEST_F(IniFileTest, numberedListsStopAtAGapOrTheMarker)
{
    IniFile ini = bind("[L]\nUrl1=a\nUrl2=\nUrl4=d\n"
                       "[M]\nUrl1=a\nUrl2=_NO_MORE_\nUrl3=c\n"
                       "[N]\nUrl1=\"_NO_MORE_\"\n"
                       "[O]\nUrl1=_no_more_\n");
    EXPECT_EQ(ini.readList("L", "Url%d"), (std::vector<std::string>{"a", ""}));
    EXPECT_EQ(ini.readList("M", "Url%d"), (std::vector<std::string>{"a"}));
    EXPECT_TRUE(ini.readList("N", "Url%d").empty()); // the quotes go before the comparison
    EXPECT_EQ(ini.readList("O", "Url%d"), (std::vector<std::string>{"_no_more_"})); // compared exactly
    EXPECT_TRUE(ini.readList("absent", "Url%d").empty());

    // Read as single keys are: the first section of a name, the first of two
    // equal keys in it, any case, values cut to 259 characters.
    IniFile twice = bind("[P]\r\nurl2=b\r\nURL1=a\r\nUrl2=second b\r\nUrl3=" + std::string(300, 'c')
                         + "\r\n[p]\r\nUrl4=never\r\n");
    EXPECT_EQ(twice.readList("P", "Url%d"), (std::vector<std::string>{"a", "b", std::string(259, 'c')}));
}

TEST_F(IniFileTest, numberedListNeverLoopsOrRepeats)
{
    // 18 characters before the number: key 10 would be cut back to key 1.
    std::string content = "[L]\nK=same\n";
    for (int n = 1; n <= 12; ++n)
        content += "ABCDEFGHIJKLMNOPQR" + std::to_string(n) + "=v" + std::to_string(n) + "\n";
    IniFile ini = bind(content);
    std::vector<std::string> list = ini.readList("L", "ABCDEFGHIJKLMNOPQR%d");
    ASSERT_EQ(list.size(), 9U);
    EXPECT_EQ(list.back(), "v9");

    EXPECT_EQ(ini.readList("L", "K"), (std::vector<std::string>{"same"})); // no number: read once
}

TEST_F(IniFileTest, pathJoinsBareNamesToTheCurrentDirectoryOnce)
{
    tarvo::test::ScopedCurrentDir cd(m_dir.path());
    IniFile ini("synuser.ini");
    std::string expected = m_dir.file("synuser.ini");
    EXPECT_EQ(ini.path(), expected);
    {
        TempDir other;
        tarvo::test::ScopedCurrentDir cd2(other.path());
        EXPECT_EQ(ini.path(), expected);
    }
    ini.setPath("C:\\Work\\x.ini");
    EXPECT_EQ(ini.path(), "C:\\Work\\x.ini");
    ini.setPath("/abs/x.ini");
    EXPECT_EQ(ini.path(), "/abs/x.ini");
}

TEST_F(IniFileTest, writeCreatesANewFileWithCrLf)
{
    IniFile ini(m_dir.file("new.ini"));
    EXPECT_TRUE(ini.writeString("Sec", "Key", "Value"));
    EXPECT_EQ(m_dir.read("new.ini"), "[Sec]\r\nKey=Value\r\n");
    EXPECT_TRUE(ini.writeString("Sec", "Empty", ""));
    EXPECT_EQ(m_dir.read("new.ini"), "[Sec]\r\nKey=Value\r\nEmpty=\r\n");
}

TEST_F(IniFileTest, writePlacesNewKeysAndSectionsAndKeepsTheRest)
{
    IniFile ini = bind("; head comment\r\n"
                       "[A]\r\n"
                       "one=1\r\n"
                       "; a comment\r\n"
                       "\r\n"
                       "[B]\r\n"
                       "MixedCase=old\r\n"
                       "after=x\r\n");
    EXPECT_TRUE(ini.writeString("a", "two", "2"));
    EXPECT_TRUE(ini.writeString("B", "mixedcase", "new"));
    EXPECT_TRUE(ini.writeString("C", "k", "v"));
    EXPECT_EQ(m_dir.read("s.ini"), "; head comment\r\n"
                                   "[A]\r\n"
                                   "one=1\r\n"
                                   "; a comment\r\n"
                                   "two=2\r\n"
                                   "\r\n"
                                   "[B]\r\n"
                                   "MixedCase=new\r\n"
                                   "after=x\r\n"
                                   "[C]\r\n"
                                   "k=v\r\n");
    // A second object bound to the file sees every change.
    IniFile reader(m_dir.file("s.ini"));
    EXPECT_EQ(read(reader, "A", "two"), "2");
    EXPECT_EQ(read(reader, "B", "MixedCase"), "new");
    EXPECT_EQ(read(reader, "C", "k"), "v");
    EXPECT_EQ(read(reader, "A", "one"), "1");
}

TEST_F(IniFileTest, writeGoesToTheFirstOfTwoEqualSections)
{
    IniFile ini = bind("[S]\nk=1\n[T]\n[s]\nk=2\n");
    EXPECT_TRUE(ini.writeString("S", "k", "9"));
    EXPECT_TRUE(ini.writeString("S", "new", "n"));
    EXPECT_EQ(m_dir.read("s.ini"), "[S]\r\nk=9\r\nnew=n\r\n[T]\r\n[s]\r\nk=2\r\n");
    EXPECT_EQ(read(ini, "S", "new"), "n");
}

TEST_F(IniFileTest, writeKeepsTheByteOrderMarkAndOneLineValues)
{
    IniFile ini = bind("\xEF\xBB\xBF[S]\r\na=1\r\n");
    EXPECT_TRUE(ini.writeString("S", "b", "two\r\n[Evil]\r\nx=y"));
    EXPECT_EQ(m_dir.read("s.ini"), "\xEF\xBB\xBF[S]\r\na=1\r\nb=two\r\n");
    EXPECT_EQ(read(ini, "Evil", "x"), "<def>");
}

TEST_F(IniFileTest, writeIntoAMissingFolderFails)
{
    IniFile ini(m_dir.file("no/such/folder/x.ini"));
    EXPECT_FALSE(ini.writeString("S", "k", "v"));
    EXPECT_FALSE(m_dir.exists("no"));
}

TEST_F(IniFileTest, onlyARegularFileOfASettingsFilesSizeIsRead)
{
    IniFile device("/dev/zero");
    EXPECT_EQ(read(device, "Profile", "AppName"), "<def>");
    IniFile huge = bind("[Profile]\r\nAppName=Big\r\n");
    EXPECT_EQ(read(huge, "Profile", "AppName"), "Big");
    std::filesystem::resize_file(m_dir.file("s.ini"), IniFile::kMaxFileBytes + 1);
    EXPECT_EQ(read(huge, "Profile", "AppName"), "<def>");
    // Left as it is rather than replaced by the one key.
    EXPECT_FALSE(huge.writeString("Profile", "AppName", "Small"));
    EXPECT_EQ(std::filesystem::file_size(m_dir.file("s.ini")), IniFile::kMaxFileBytes + 1);
}
