#include "text/TagExpander.h"

#include <gtest/gtest.h>

#include <string>

using namespace tarvo;

namespace {

class TagExpanderTest : public ::testing::Test {
protected:
    void SetUp() override { m_tags.fill({7, 42, 1234}, "english", std::nullopt); }
    std::string value(std::string_view name)
    {
        std::string v = "untouched";
        EXPECT_TRUE(m_tags.getValue(name, v)) << name;
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
    m_tags.fill({-1, 0, 0}, "", std::nullopt);
    EXPECT_EQ(m_tags.entries().size(), std::size(names));
    EXPECT_EQ(value("<CustomerID>"), "-1");
}

TEST_F(TagExpanderTest, versionJoinsTitleMajorAndMinor)
{
    m_tags.fill({}, "english", 0x00010002u);
    EXPECT_EQ(value("<Version>"), "Tarvo Windows CE Synchronizer1.2");
    m_tags.fill({}, "english", 0xFFFF0000u);
    EXPECT_EQ(value("<Version>"), "Tarvo Windows CE Synchronizer65535.0");
}

TEST_F(TagExpanderTest, expandsKnownTagsIgnoringCase)
{
    EXPECT_EQ(m_tags.expand("<ProfileID>.ver"), "42.ver");
    EXPECT_EQ(m_tags.expand("<CUSTOMERID>"), "7");
    EXPECT_EQ(m_tags.expand("x/<profileid>/<PhonebookID>_<UserName>.txt"), "x/42/1234_?.txt");
    EXPECT_EQ(m_tags.expand("<ProfileID><ProfileID>"), "4242");
    std::string out = "old";
    m_tags.expand("<Language>.htm", out);
    EXPECT_EQ(out, "english.htm");
}

TEST_F(TagExpanderTest, unknownAndUnfinishedTagsStay)
{
    EXPECT_EQ(m_tags.expand("<Unknown>.ver"), "<Unknown>.ver");
    EXPECT_EQ(m_tags.expand("a < b"), "a < b");
    EXPECT_EQ(m_tags.expand("<"), "<");
    EXPECT_EQ(m_tags.expand("<ProfileID"), "<ProfileID"); // ends before the '>'
    EXPECT_EQ(m_tags.expand("<<ProfileID>>"), "<42>");
    EXPECT_EQ(m_tags.expand("no tags at all"), "no tags at all");
    EXPECT_EQ(m_tags.expand(""), "");
    // A name is matched whole: "<Pop" is no tag, "<PopID>" is.
    EXPECT_EQ(m_tags.expand("<Pop><PopID>"), "<Pop>?");
}

TEST_F(TagExpanderTest, setValueChangesTheFirstMatchOnlyAndAddsNothing)
{
    m_tags.setValue("<username>", "alice");
    EXPECT_EQ(value("<UserName>"), "alice");
    m_tags.setValue("<NoSuchTag>", "x");
    EXPECT_EQ(m_tags.entries().size(), 25U);
    std::string v = "untouched";
    EXPECT_FALSE(m_tags.getValue("<NoSuchTag>", v));
    EXPECT_EQ(v, "untouched");
    EXPECT_FALSE(m_tags.getValue("UserName", v)); // the brackets are part of the name
    m_tags.setNumber("<PopID>", -17);
    EXPECT_EQ(m_tags.expand("<UserName>@<PopID>"), "alice@-17");
}

TEST_F(TagExpanderTest, emptyValuesRemoveTagsAndValuesAreNotExpandedAgain)
{
    m_tags.setValue("<Prefix>", "");
    m_tags.setValue("<Suffix>", "<ProfileID>");
    EXPECT_EQ(m_tags.expand("a<Prefix>b<Suffix>c"), "ab<ProfileID>c");
}

TEST_F(TagExpanderTest, longValuesAreCutAndLongResultsAreComplete)
{
    std::string longValue(150, 'v');
    m_tags.setValue("<City>", longValue);
    EXPECT_EQ(value("<City>"), std::string(TagExpander::kMaxValue, 'v'));
    m_tags.fill({}, std::string(200, 'L'), std::nullopt);
    EXPECT_EQ(value("<Language>").size(), TagExpander::kMaxValue);

    // A result far past twice the input's length is produced whole.
    m_tags.setValue("<City>", longValue);
    std::string expanded = m_tags.expand("<City><City><City>");
    EXPECT_EQ(expanded, std::string(3 * TagExpander::kMaxValue, 'v'));
}

TEST(TagExpanderEmpty, anEmptyTableExpandsNothing)
{
    TagExpander tags;
    EXPECT_EQ(tags.expand("<ProfileID>"), "<ProfileID>");
    tags.setValue("<ProfileID>", "1");
    EXPECT_TRUE(tags.entries().empty());
}
