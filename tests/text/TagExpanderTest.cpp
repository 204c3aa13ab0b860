#include "text/TagExpander.h"

#include <gtest/gtest.h>

#include <string>

using namespace tarvo;

namespace {

class TagExpanderTest : public ::testing::Test {
protected:
    void SetUp() override { m_tags.Fill({7, 42, 1234}, "english", std::nullopt); }
    std::string value(std::string_view name)
    {
        std::string v = "untouched";
        EXPECT_TRUE(m_tags.GetValue(name, v)) << name;
        return v;
    }

    TagExpander m_tags;
};

} // namespace

TEST_F(TagExpanderTest, fillBuildsTheTwentyFiveTagsInOrder)
{
    const char* names[] = {"<AutoRedial>", "<CustomerID>", "<PopID>", "<Prefix>", "<ProfileID>",
                           "<PhonebookID>", "<RasErrorCode>", "<Suffix>", "<UserName>", "<UserDomain>",
                           "<UserPassword>", "<Version>", "<VpnDomain>", "<VpnPassword>", "<VpnUserName>",
                           "<WinHandle>", "<WinMessage>", "<Language>", "<Login>", "<City>",
                           "<Region>", "<Country>", "<ModemPhone>", "<DialString>", "<SqmDialString>"};
    ASSERT_EQ(m_tags.entries().size(), std::size(names));
    for (std::size_t i = 0; i < std::size(names); ++i)
        EXPECT_EQ(m_tags.entries()[i].name, names[i]) << i;
    EXPECT_EQ(value("<CustomerID>"), "7");
    EXPECT_EQ(value("<ProfileID>"), "42");
    EXPECT_EQ(value("<PhonebookID>"), "1234");
    EXPECT_EQ(value("<Language>"), "english");
    EXPECT_EQ(value("<WinMessage>"), "?");
    EXPECT_EQ(value("<Version>"), "Tarvo Windows CE Synchronizer");

    // Filling again replaces the table instead of adding to it.
    m_tags.Fill({-1, 0, 0}, "", std::nullopt);
    EXPECT_EQ(m_tags.entries().size(), std::size(names));
    EXPECT_EQ(value("<CustomerID>"), "-1");
}

TEST_F(TagExpanderTest, versionJoinsTitleMajorAndMinor)
{
    m_tags.Fill({}, "english", 0x00010002u);
    EXPECT_EQ(value("<Version>"), "Tarvo Windows CE Synchronizer1.2");
    m_tags.Fill({}, "english", 0xFFFF0000u);
    EXPECT_EQ(value("<Version>"), "Tarvo Windows CE Synchronizer65535.0");
}

TEST_F(TagExpanderTest, expandsKnownTagsIgnoringCase)
{
    EXPECT_EQ(m_tags.Expand("<ProfileID>.ver"), "42.ver");
    EXPECT_EQ(m_tags.Expand("<CUSTOMERID>"), "7");
    EXPECT_EQ(m_tags.Expand("x/<profileid>/<PhonebookID>_<UserName>.txt"), "x/42/1234_?.txt");
    EXPECT_EQ(m_tags.Expand("<ProfileID><ProfileID>"), "4242");
    std::string out = "old";
    m_tags.Expand("<Language>.htm", out);
    EXPECT_EQ(out, "english.htm");
}

TEST_F(TagExpanderTest, unknownAndUnfinishedTagsStay)
{
    EXPECT_EQ(m_tags.Expand("<Unknown>.ver"), "<Unknown>.ver");
    EXPECT_EQ(m_tags.Expand("a < b"), "a < b");
    EXPECT_EQ(m_tags.Expand("<"), "<");
    EXPECT_EQ(m_tags.Expand("<ProfileID"), "<ProfileID"); // ends before the '>'
    EXPECT_EQ(m_tags.Expand("<<ProfileID>>"), "<42>");
    EXPECT_EQ(m_tags.Expand("no tags at all"), "no tags at all");
    EXPECT_EQ(m_tags.Expand(""), "");
    // A name is matched whole: "<Pop" is no tag, "<PopID>" is.
    EXPECT_EQ(m_tags.Expand("<Pop><PopID>"), "<Pop>?");
}

TEST_F(TagExpanderTest, setValueChangesTheFirstMatchOnlyAndAddsNothing)
{
    m_tags.SetValue("<username>", "alice");
    EXPECT_EQ(value("<UserName>"), "alice");
    m_tags.SetValue("<NoSuchTag>", "x");
    EXPECT_EQ(m_tags.entries().size(), 25U);
    std::string v = "untouched";
    EXPECT_FALSE(m_tags.GetValue("<NoSuchTag>", v));
    EXPECT_EQ(v, "untouched");
    EXPECT_FALSE(m_tags.GetValue("UserName", v)); // the brackets are part of the name
    m_tags.SetNumber("<PopID>", -17);
    EXPECT_EQ(m_tags.Expand("<UserName>@<PopID>"), "alice@-17");
}

TEST_F(TagExpanderTest, emptyValuesRemoveTagsAndValuesAreNotExpandedAgain)
{
    m_tags.SetValue("<Prefix>", "");
    m_tags.SetValue("<Suffix>", "<ProfileID>");
    EXPECT_EQ(m_tags.Expand("a<Prefix>b<Suffix>c"), "ab<ProfileID>c");
}

TEST_F(TagExpanderTest, longValuesAreCutAndLongResultsAreComplete)
{
    std::string longValue(150, 'v');
    m_tags.SetValue("<City>", longValue);
    EXPECT_EQ(value("<City>"), std::string(TagExpander::kMaxValue, 'v'));
    m_tags.Fill({}, std::string(200, 'L'), std::nullopt);
    EXPECT_EQ(value("<Language>").size(), TagExpander::kMaxValue);

    // A result far past twice the input's length is produced whole.
    m_tags.SetValue("<City>", longValue);
    std::string expanded = m_tags.Expand("<City><City><City>");
    EXPECT_EQ(expanded, std::string(3 * TagExpander::kMaxValue, 'v'));
}

TEST(TagExpanderEmpty, anEmptyTableExpandsNothing)
{
    TagExpander tags;
    EXPECT_EQ(tags.Expand("<ProfileID>"), "<ProfileID>");
    tags.SetValue("<ProfileID>", "1");
    EXPECT_TRUE(tags.entries().empty());
}
