#include "config/ProfileConfig.h"

#include "fixtures/Enciphered.h"
#include "fixtures/TempDir.h"
#include "support/Base64.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tarvo;
using namespace tarvo::test;

namespace {

class ProfileConfigTest : public ::testing::Test {
protected:
    // Loads a profile from `content` written as "synconfig.ini" in a fresh
    // current directory, as start-up finds it.
    void load(std::string_view content)
    {
        m_dir.write("synconfig.ini", content);
        ScopedCurrentDir cd(m_dir.path());
        m_config = std::make_unique<ProfileConfig>();
        m_config->load();
    }
    std::string appNameOf(std::string_view value)
    {
        load("[Profile]\r\nAppName=" + std::string(value) + "\r\n");
        return m_config->appName();
    }

    TempDir m_dir;
    std::unique_ptr<ProfileConfig> m_config;
};

} // namespace

TEST_F(ProfileConfigTest, noFileGivesEveryDefault)
{
    ScopedCurrentDir cd(m_dir.path());
    ProfileConfig config;
    EXPECT_EQ(config.settingsFile(), m_dir.file("synconfig.ini"));
    config.load();
    EXPECT_EQ(config.maxPops(), 0);
    EXPECT_EQ(config.customerId(), 0);
    EXPECT_EQ(config.profileId(), 0);
    EXPECT_EQ(config.phonebookId(), 0);
    EXPECT_EQ(config.pbServer(), 3);
    EXPECT_EQ(config.popSortOrder(), -1);
    EXPECT_TRUE(config.showPrice());
    EXPECT_EQ(config.appName(), "Tarvo Windows CE Synchronizer");
    EXPECT_EQ(config.appNameUtf8(), "Tarvo Windows CE Synchronizer");
    EXPECT_TRUE(config.profileServers().empty());
    EXPECT_TRUE(config.globalServers().empty());
    EXPECT_TRUE(config.profileAuthHeader().empty());
    EXPECT_TRUE(config.globalAuthHeader().empty());
    EXPECT_TRUE(config.profileUserId().empty());
    EXPECT_TRUE(config.globalPassword().empty());
}

TEST_F(ProfileConfigTest, readsBothSectionsIntoTheirFields)
{
    std::string user = enciphered("alice");
    std::string password = enciphered("s3cret");
    load("[Profile]\r\n"
         "CustomerID=7\r\nProfileID=42\r\nPhonebookID=-5\r\nMaxPops=25abc\r\nPBServer=9\r\n"
         "PhonebookURL1=http://p1/\r\nPhonebookURL2=http://p2/\r\n"
         "PhonebookUserID=" + user + "\r\nPhonebookPassword=" + password + "\r\n"
         "[Tarvo]\r\n"
         "PhonebookURL1=http://g1/\r\n"
         "PhonebookUserID=" + user + "\r\n");
    EXPECT_EQ(m_config->customerId(), 7);
    EXPECT_EQ(m_config->profileId(), 42);
    EXPECT_EQ(m_config->phonebookId(), -5);
    EXPECT_EQ(m_config->maxPops(), 25);
    EXPECT_EQ(m_config->pbServer(), 9); // no range check here
    EXPECT_EQ(m_config->profileServers(), (std::vector<std::string>{"http://p1/", "http://p2/"}));
    EXPECT_EQ(m_config->globalServers(), (std::vector<std::string>{"http://g1/"}));
    // Credentials stay as stored; only the header carries them, deciphered.
    EXPECT_EQ(m_config->profileUserId(), user);
    EXPECT_EQ(m_config->profilePassword(), password);
    EXPECT_EQ(m_config->profileAuthHeader(), "Authorization: Basic " + base64Encode("alice:s3cret"));
    // The [Tarvo] set lacks a password: no header for it.
    EXPECT_EQ(m_config->globalUserId(), user);
    EXPECT_TRUE(m_config->globalAuthHeader().empty());
}

TEST_F(ProfileConfigTest, serverListKeepsEmptyValuesAndStopsAtAGap)
{
    load("[Profile]\nPhonebookURL1=a\nPhonebookURL2=\nPhonebookURL4=d\n"
         "[Tarvo]\nPhonebookURL1=g\nPhonebookURL2=_NO_MORE_\nPhonebookURL3=h\n");
    EXPECT_EQ(m_config->profileServers(), (std::vector<std::string>{"a", ""}));
    EXPECT_EQ(m_config->globalServers(), (std::vector<std::string>{"g"}));
    // Loading again starts over rather than adding to the lists.
    {
        ScopedCurrentDir cd(m_dir.path());
        m_config->load();
    }
    EXPECT_EQ(m_config->profileServers().size(), 2U);
}

TEST_F(ProfileConfigTest, numbersConvertTheirLeadingDigits)
{
    load("[Profile]\nMaxPops=abc\nCustomerID=  12 \nProfileID=99999999999\n");
    EXPECT_EQ(m_config->maxPops(), 0);
    EXPECT_EQ(m_config->customerId(), 12);
    EXPECT_EQ(m_config->profileId(), 2147483647);
}

TEST_F(ProfileConfigTest, showPriceFollowsTheBooleanRule)
{
    for (auto [text, expected] : {std::pair{"Yes", true}, {"1", true}, {"y", true}, {"true", false},
                                  {"", false}, {"no", false}}) {
        load(std::string("[Profile]\nShowPrice=") + text + "\n");
        EXPECT_EQ(m_config->showPrice(), expected) << text;
    }
}

TEST_F(ProfileConfigTest, customerSortFlagPresentButEmptyDiffersFromAbsent)
{
    for (auto [text, expected] : {std::pair{"first", -1}, {"First", -1}, {"false", -1}, {"0", -1},
                                  {"last", 1}, {"1", 1}, {"yes", 1}, {"", 1}}) {
        load(std::string("[Profile]\nCustomerPopSortFlag=") + text + "\n");
        EXPECT_EQ(m_config->popSortOrder(), expected) << text;
    }
    load("[Profile]\nOther=1\n");
    EXPECT_EQ(m_config->popSortOrder(), -1);
}

TEST_F(ProfileConfigTest, appNameReferencesAreDecoded)
{
    EXPECT_EQ(appNameOf("A&#66;C"), "ABC");
    EXPECT_EQ(appNameOf("ABC"), "ABC");
    EXPECT_EQ(appNameOf(""), "");
}

TEST_F(ProfileConfigTest, decodedTitleShowsItsCharacters)
{
    load("[Profile]\nAppName=Caf&#233; Dialer\n");
    EXPECT_EQ(m_config->appNameUtf8(), "Caf\xC3\xA9 Dialer");
    EXPECT_EQ(m_config->appName(), "Caf\xE9 Dialer");      // ANSI
    EXPECT_EQ(m_config->appNameOem(), "Caf\x82 Dialer");   // OEM 437

    // Without a reference the title is kept byte for byte, shown as ANSI.
    load("[Profile]\nAppName=Caf\xE9 &amp; Co\n");
    EXPECT_EQ(m_config->appName(), "Caf\xE9 &amp; Co");
    EXPECT_EQ(m_config->appNameOem(), "Caf\xE9 &amp; Co");
    EXPECT_EQ(m_config->appNameUtf8(), "Caf\xC3\xA9 &amp; Co");

    // ANSI bytes beside a reference keep their meaning.
    load("[Profile]\nAppName=\xE9&#8364;\n");
    EXPECT_EQ(m_config->appNameUtf8(), "\xC3\xA9\xE2\x82\xAC");
    EXPECT_EQ(m_config->appName(), "\xE9\x80");
}

TEST_F(ProfileConfigTest, settingsFileNameRule)
{
    ScopedCurrentDir cd(m_dir.path());
    ProfileConfig config;
    config.setSettingsFile("x.ini");
    EXPECT_EQ(config.settingsFile(), m_dir.file("x.ini"));
    config.setSettingsFile("C:\\Tarvo\\profile.ini");
    EXPECT_EQ(config.settingsFile(), "C:\\Tarvo\\profile.ini");

    m_dir.write("other.ini", "[Profile]\nProfileID=3\n");
    config.setSettingsFile(m_dir.file("other.ini"));
    config.load();
    EXPECT_EQ(config.profileId(), 3);
}
