#include "config/AppNameDecoder.h"

#include <gtest/gtest.h>

#include <string>

using namespace tarvo;

namespace {

std::u16string decode(std::string_view text, bool* saw = nullptr)
{
    static const CodePage ansi("WINDOWS-1252");
    DecodedAppName d = decodeAppName(text, ansi);
    if (saw)
        *saw = d.sawReference;
    return d.text;
}

} // namespace

TEST(AppNameDecoder, decodesReferencesAndNotesThem)
{
    bool saw = false;
    EXPECT_EQ(decode("A&#66;C", &saw), u"ABC");
    EXPECT_TRUE(saw);
    EXPECT_EQ(decode("ABC", &saw), u"ABC");
    EXPECT_FALSE(saw);
    EXPECT_EQ(decode("&#72;&#105;"), u"Hi");
    EXPECT_EQ(decode("&#233;"), u"\u00E9");
}

TEST(AppNameDecoder, numbersFollowTheScanRules)
{
    EXPECT_EQ(decode("&# 65;"), u"A");       // blanks before the number
    EXPECT_EQ(decode("&#+65;"), u"A");
    EXPECT_EQ(decode("&#-1;"), u"\uFFFF");   // modulo 65536
    EXPECT_EQ(decode("&#0065;"), u"A");
    EXPECT_EQ(decode("&#9999999999;"), std::u16string(1, static_cast<char16_t>(9999999999ULL % 65536)));
    EXPECT_EQ(decode("&#128512;"), u"\U0001F600"); // beyond 16 bits: a surrogate pair
    EXPECT_EQ(decode("&#1114177;"), u"A"); // past U+10FFFF: modulo 65536 again
}

TEST(AppNameDecoder, textThatIsNoReferenceIsCopied)
{
    bool saw = true;
    EXPECT_EQ(decode("&#;&#x41;& #65;&&", &saw), u"&#;&#x41;& #65;&&");
    EXPECT_FALSE(saw);
    EXPECT_EQ(decode("&", &saw), u"&");
    EXPECT_EQ(decode("&#", &saw), u"&#");
    EXPECT_EQ(decode("&#-", &saw), u"&#-");
    EXPECT_FALSE(saw);
}

TEST(AppNameDecoder, decodingResumesAfterTheNextSemicolon)
{
    // Whatever stands between the number and the ';' is skipped.
    EXPECT_EQ(decode("&#65xyz;B"), u"AB");
    EXPECT_EQ(decode("&#65&#66;C"), u"AC");
}

TEST(AppNameDecoder, referenceWithoutSemicolonEndsAfterItsDigits)
{
    EXPECT_EQ(decode("A&#66 rest"), u"AB rest");
    EXPECT_EQ(decode("&#65&#66"), u"AB");
    EXPECT_EQ(decode("x&#66"), u"xB");
}

TEST(AppNameDecoder, highBytesGoThroughTheAnsiPage)
{
    EXPECT_EQ(decode("\x80&#65;\xE9\x81"), u"\u20ACA\u00E9\u0081");
    CodePage latin2("CP1250");
    EXPECT_EQ(decodeAppName("\x8A&#65;", latin2).text, u"\u0160A");
}

TEST(AppNameDecoder, titleEndsAtNulAndAtRoomFor500)
{
    EXPECT_EQ(decode("ab&#0;cd"), u"ab");
    EXPECT_EQ(decode(std::string_view("ab\0&#65;", 8)), u"ab");

    std::string many;
    for (int i = 0; i < 600; ++i)
        many += "&#65;";
    EXPECT_EQ(decode(many).size(), kAppNameRoom);
    EXPECT_EQ(decode(std::string(1000, 'x')).size(), kAppNameRoom);

    // A surrogate pair that would not fit whole is left out.
    std::string edge(499, 'x');
    edge += "&#128512;";
    std::u16string d = decode(edge);
    EXPECT_EQ(d.size(), 499U);
}
