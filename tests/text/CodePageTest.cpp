#include "text/CodePage.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace tarvo;

namespace {

std::string allBytes()
{
    std::string bytes;
    for (int b = 0; b < 256; ++b)
        bytes.push_back(static_cast<char>(b));
    return bytes;
}

} // namespace

TEST(CodePage, everyByteRoundTripsThroughBothDefaultPages)
{
    for (const char* name : {"WINDOWS-1252", "IBM437"}) {
        SCOPED_TRACE(name);
        CodePage page(name);
        std::u16string wide = page.toUtf16(allBytes());
        ASSERT_EQ(wide.size(), 256U);
        // Distinct characters: no two bytes may collapse into one.
        EXPECT_EQ(std::set<char16_t>(wide.begin(), wide.end()).size(), 256U);
        EXPECT_EQ(page.fromUtf16(wide), allBytes());
        // And through UTF-8, the way the windows show the text.
        EXPECT_EQ(page.fromUtf16(CodePage::utf8ToUtf16(CodePage::utf16ToUtf8(wide))), allBytes());
    }
}

// The list writes cells straight from the bytes to UTF-8; that must be the
// text the conversion through UTF-16 gives, for every byte of every page,
// and the width it counts must be that text's characters.
TEST(CodePage, directUtf8IsTheTextThroughUtf16)
{
    for (const char* name : {"WINDOWS-1252", "IBM437", "CP1250", "NO-SUCH-CODEPAGE"}) {
        SCOPED_TRACE(name);
        CodePage page(name);
        const std::string text = "plain " + allBytes() + " and again " + allBytes();
        const std::string viaUtf16 = CodePage::utf16ToUtf8(page.toUtf16(text));
        std::string direct = "kept:";
        page.appendUtf8(direct, text);
        EXPECT_EQ(direct, "kept:" + viaUtf16);
        std::size_t characters = 0;
        for (char c : viaUtf16)
            characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
        EXPECT_EQ(page.characterCount(text), characters);
        if (page.byTable()) {
            // Written within the room asked for: the byte after it stays.
            std::string room(CodePage::utf8Room(text.size()) + 1, '\xEE');
            char* end = page.writeUtf8(room.data(), text);
            EXPECT_EQ(std::string(room.data(), end), viaUtf16);
            EXPECT_EQ(room.back(), '\xEE');
        }
    }
}

TEST(CodePage, windows1252UndefinedBytesAreC1Controls)
{
    CodePage page("WINDOWS-1252");
    EXPECT_EQ(page.toUtf16("\x81\x8D\x8F\x90\x9D"), std::u16string(u"\u0081\u008D\u008F\u0090\u009D"));
    EXPECT_EQ(page.toUtf16("\x80\x9F\xE9"), std::u16string(u"\u20AC\u0178\u00E9"));
    EXPECT_EQ(page.fromUtf16(u"\u20AC"), "\x80");
}

TEST(CodePage, ibm437KeepsControlsAndMapsLetters)
{
    CodePage page("IBM437");
    EXPECT_EQ(page.fromUtf16(u"Caf\u00E9"), "\x43\x61\x66\x82");
    EXPECT_EQ(page.toUtf16("\x01\x7F\x82\xE1\xFF"), std::u16string(u"\u0001\u007F\u00E9\u00DF\u00A0"));
}

TEST(CodePage, unmappedCharactersBecomeTheDefaultCharacter)
{
    CodePage ansi("WINDOWS-1252");
    CodePage oem("IBM437");
    EXPECT_EQ(ansi.fromUtf16(u"a\u4E2Db\u2591"), "a?b?");
    EXPECT_EQ(oem.fromUtf16(u"\u20AC\u2591"), "?\xB0");
}

TEST(CodePage, otherPagesGoThroughIconvAndUnknownNamesFallBack)
{
    CodePage latin2("CP1250");
    EXPECT_EQ(latin2.toUtf16("\x8A"), std::u16string(u"\u0160"));
    EXPECT_EQ(latin2.fromUtf16(u"\u0160\u4E2D"), "\x8A?");
    CodePage bogus("NO-SUCH-CODEPAGE");
    EXPECT_EQ(bogus.toUtf16("\x80"), std::u16string(u"\u20AC"));
}

TEST(CodePage, utf8ConversionHandlesSurrogatesAndBadBytes)
{
    EXPECT_EQ(CodePage::utf16ToUtf8(u"Caf\u00E9 \U0001F600"), "Caf\xC3\xA9 \xF0\x9F\x98\x80");
    EXPECT_EQ(CodePage::utf16ToUtf8(std::u16string(1, char16_t{0xD800})), "\xEF\xBF\xBD");
    EXPECT_EQ(CodePage::utf8ToUtf16("\xF0\x9F\x98\x80"), std::u16string(u"\U0001F600"));
    // A cut sequence and a stray continuation byte each give one U+FFFD.
    EXPECT_EQ(CodePage::utf8ToUtf16("a\xC3"), std::u16string(u"a\uFFFD"));
    EXPECT_EQ(CodePage::utf8ToUtf16("\x80z"), std::u16string(u"\uFFFDz"));
    EXPECT_EQ(CodePage::utf8ToUtf16("\xED\xA0\x80"), std::u16string(u"\uFFFD\uFFFD\uFFFD"));
    // Overlong forms never sneak in a character.
    EXPECT_EQ(CodePage::utf8ToUtf16("\xC0\xAF"), std::u16string(u"\uFFFD\uFFFD"));
    EXPECT_EQ(CodePage::utf8ToUtf16("\xE0\x80\xAF"), std::u16string(u"\uFFFD\uFFFD\uFFFD"));
    EXPECT_EQ(CodePage::utf8ToUtf16("\xF0\x8F\xBF\xBF"), std::u16string(4, u'\uFFFD'));
    EXPECT_EQ(CodePage::utf8ToUtf16("\xC2\x80\xE0\xA0\x80"), std::u16string(u"\u0080\u0800"));
}

TEST(CodePage, defaultsFollowTheDesktop)
{
    // The process-wide pages read the environment once; unset, they are the
    // desktop's defaults.
    if (std::getenv("TARVO_ANSI_CODEPAGE") == nullptr) {
        EXPECT_EQ(CodePage::ansi().name(), CodePageConverter::desktopAnsiName());
    }
    if (std::getenv("TARVO_OEM_CODEPAGE") == nullptr) {
        EXPECT_EQ(CodePage::oem().name(), CodePageConverter::desktopOemName());
    }
    EXPECT_EQ(CodePage::ansiToUtf8("Caf\xE9"), "Caf\xC3\xA9");
}
