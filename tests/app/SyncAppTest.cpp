#include "app/SyncApp.h"

#include "fixtures/HandheldFolder.h"
#include "fixtures/PopLine.h"
#include "fixtures/RecordingFrontEnd.h"
#include "fixtures/Workspace.h"
#include "phonebook/MasterPhonebook.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tarvo;
using namespace tarvo::test;

namespace {

class SyncAppTest : public ::testing::Test {
protected:
    SyncApp::Startup start(const CommandLineOptions& options = {}) { return m_app.startup(options); }

    Workspace m_ws;
    RecordingFrontEnd m_ui;
    SyncApp m_app{m_ui, SyncApp::Kind::Window, m_ws.environment()};
};

} // namespace

TEST_F(SyncAppTest, startupLoadsProfileNamedOnTheCommandLineAndRestoresTheCursor)
{
    m_ws.writeDialer("region.txt", "US,TX,Texas,Tex.\r\n");
    m_ws.writeDialer("country.txt", "US,1,United States,1\r\n");
    m_ws.writeDialer("pbook.txt", PopFile({PopLine("US", "TX", "Austin", "P1").str()}));
    m_ws.writeWork("other.ini", "[Profile]\r\nAppName=Caf&#233;\r\nProfileID=42\r\n");

    ASSERT_EQ(start(parseCommandLine("-c other.ini")), SyncApp::Startup::Ready) << testing::PrintToString(m_ui.texts());
    EXPECT_TRUE(m_ui.boxes.empty());
    EXPECT_EQ(m_ui.busyDepth, 0);
    EXPECT_FALSE(m_ui.unbalanced);
    EXPECT_EQ(m_app.applicationName(), "Caf\xC3\xA9");
    EXPECT_EQ(m_app.profile().profileId(), 42);
    EXPECT_EQ(m_app.phonebook().pops().size(), 1U);
    std::string version;
    ASSERT_TRUE(m_app.tags().getValue("<ProfileID>", version));
    EXPECT_EQ(version, "42");
    EXPECT_EQ(m_app.helpFile(), m_ws.work("english.htm"));
}

TEST_F(SyncAppTest, aLoadFailureIsShownWithTheNormalCursor)
{
    ASSERT_EQ(start(), SyncApp::Startup::Failed);
    ASSERT_EQ(m_ui.boxes.size(), 1U);
    EXPECT_EQ(m_ui.boxes[0].text, "Error: Unable to open: region.txt");
    EXPECT_EQ(m_ui.boxes[0].caption, "Tarvo Windows CE Synchronizer");
    EXPECT_EQ(m_ui.boxes[0].icon, MessageIcon::Error);
    EXPECT_FALSE(m_ui.boxShownBusy);
    EXPECT_FALSE(m_ui.unbalanced);
    EXPECT_EQ(m_ui.busyDepth, 0);
}

TEST_F(SyncAppTest, theExpansionsBoxesCarryTheFixedCaptionWhateverTheProfileSays)
{
    m_ws.writeDialer("region.txt", "US,TX,Texas,Tex.\r\n");
    m_ws.writeDialer("country.txt", "US,1,United States,1\r\n");
    // A gzip header and then a deflate block of the reserved type: damaged.
    m_ws.writeDialer("pbook.txt", std::string("\x1F\x8B\x08\x00\x00\x00\x00\x00\x00\x03\xFF\xFF\xFF", 13));
    m_ws.writeWork("synconfig.ini", "[Profile]\r\nAppName=My Dialer\r\n");

    ASSERT_EQ(start(), SyncApp::Startup::Failed);
    ASSERT_EQ(m_ui.boxes.size(), 2U) << testing::PrintToString(m_ui.texts());
    // The expansion runs while the phonebook loads, before the profile's
    // title becomes the caption; the load's own failure is shown after it.
    EXPECT_EQ(m_ui.boxes[0].text, "ERROR: Compressed phonebook file is damaged");
    EXPECT_EQ(m_ui.boxes[0].caption, "Tarvo Windows CE Synchronizer");
    EXPECT_EQ(m_ui.boxes[1].text, "Error: Unable to open: pbook.txt\n" + m_ws.dialer("pbook.txt") +
                                      ": gzip-compressed data that does not expand to a phonebook");
    EXPECT_EQ(m_ui.boxes[1].caption, "My Dialer");
}

namespace {

class SyncAppSafetyTest : public SyncAppTest {
protected:
    SyncAppSafetyTest()
    {
        m_ws.writeDialer("region.txt", "US,TX,Texas,Tex.\r\n");
        m_ws.writeDialer("country.txt", "US,1,United States,1\r\n");
        m_ws.writeDialer("pbook.txt", PopFile({PopLine("US", "TX", "Austin", "P1").str()}));
        m_ws.writeWork("synconfig.ini", "[Profile]\r\nAppName=My Dialer\r\n");
    }
};

} // namespace

TEST_F(SyncAppSafetyTest, aSecondCopyInTheSameFolderIsToldAndEndsBeforeWritingAnything)
{
    WorkingFolderLock other(m_ws.work("synchronizer.lock"));
    ASSERT_EQ(other.acquire(), WorkingFolderLock::State::Held);
    EXPECT_EQ(start(), SyncApp::Startup::Failed);
    ASSERT_EQ(m_ui.boxes.size(), 1U);
    EXPECT_EQ(m_ui.boxes[0].text,
              "Another copy of the synchronizer is working in this folder, please wait until it has finished.");
    EXPECT_EQ(m_ui.boxes[0].caption, "My Dialer");
    EXPECT_EQ(m_ui.boxes[0].icon, MessageIcon::Error);
    EXPECT_FALSE(m_ui.boxShownBusy);
    EXPECT_FALSE(Workspace::exists(m_ws.work("dr_country.txt")));
    EXPECT_FALSE(Workspace::exists(m_ws.dialer("city.txt")));

    // The window's own rule comes first: the copy that brings the other
    // window forward ends silently, as before.
    m_ui.reset();
    m_app.setInstanceCheck([](const std::string&) { return true; });
    EXPECT_EQ(start(), SyncApp::Startup::EndedSilently);
    EXPECT_TRUE(m_ui.boxes.empty());
}

TEST_F(SyncAppSafetyTest, aLockThatCannotBeTakenFailsStartUpNamingTheLockFile)
{
    std::filesystem::create_directory(m_ws.work("synchronizer.lock"));
    EXPECT_EQ(start(), SyncApp::Startup::Failed);
    EXPECT_EQ(m_ui.texts(), std::vector<std::string>{"ERROR: Unable to use the lock file " +
                                                     m_ws.work("synchronizer.lock") + " (Is a directory)."});
    EXPECT_FALSE(Workspace::exists(m_ws.work("dr_country.txt")));
}

TEST_F(SyncAppSafetyTest, theLockIsHeldUntilTheApplicationGoesAndLeftoversGo)
{
    m_ws.writeWork("cepbook.txt.tmpK1ll3d", "half a phonebook");
    m_ws.writeWork("synuser.ini.tmpAAAAAA", "half the settings");
    m_ws.writeWork("cereg.ini.tmp123456", "half the marker");
    m_ws.writeWork("mine.txt.tmp123456", "not ours");
    ASSERT_EQ(start(), SyncApp::Startup::Ready) << testing::PrintToString(m_ui.texts());
    EXPECT_FALSE(Workspace::exists(m_ws.work("cepbook.txt.tmpK1ll3d")));
    EXPECT_FALSE(Workspace::exists(m_ws.work("synuser.ini.tmpAAAAAA")));
    EXPECT_FALSE(Workspace::exists(m_ws.work("cereg.ini.tmp123456")));
    EXPECT_TRUE(Workspace::exists(m_ws.work("mine.txt.tmp123456")));

    WorkingFolderLock second(m_ws.work("synchronizer.lock"));
    EXPECT_EQ(second.acquire(), WorkingFolderLock::State::Taken);
}

TEST_F(SyncAppSafetyTest, aProfileNamedOnTheCommandLineMustBeThere)
{
    EXPECT_EQ(start(parseCommandLine("-c missing.ini")), SyncApp::Startup::Failed);
    EXPECT_EQ(m_ui.texts(), std::vector<std::string>{"ERROR: Unable to open settings file missing.ini"});
    EXPECT_EQ(m_ui.boxes[0].caption, "Tarvo Windows CE Synchronizer");
    EXPECT_FALSE(Workspace::exists(m_ws.work("log"))) << "start-up stopped at the command line";

    // A folder of that name is no settings file either; the default file
    // may be missing, as before.
    m_ui.reset();
    std::filesystem::create_directory(m_ws.work("dir.ini"));
    EXPECT_EQ(start(parseCommandLine("-c dir.ini")), SyncApp::Startup::Failed);
    std::filesystem::remove(m_ws.work("synconfig.ini"));
    m_ui.reset();
    EXPECT_EQ(start(), SyncApp::Startup::Ready) << testing::PrintToString(m_ui.texts());
}

TEST_F(SyncAppSafetyTest, aHandheldPhonebookThatCouldNotBeReadIsReportedAtStartup)
{
    m_ws.writeHandheld("cepbook.txt", PopFile({PopLine("US", "TX", "Austin", "P1").str()}));
    m_ws.writeSimulator("ReadLimitBytes=10\r\n");
    ASSERT_EQ(start(), SyncApp::Startup::Ready);
    ASSERT_EQ(m_ui.boxes.size(), 1U);
    EXPECT_EQ(m_ui.boxes[0].text, "An error occured while reading CE phonebook. The POPs on the device are not marked "
                                  "as chosen, and saving will ask before replacing them.");
    EXPECT_EQ(m_ui.boxes[0].icon, MessageIcon::Warning);
    EXPECT_EQ(m_ui.boxes[0].caption, "My Dialer");
    EXPECT_FALSE(m_ui.boxShownBusy);
    EXPECT_FALSE(m_ui.unbalanced);
    EXPECT_EQ(m_ui.busyDepth, 0);
    EXPECT_EQ(m_app.phonebook().readBackOutcome().result, ReadBackResult::CopyFailed);
}

TEST_F(SyncAppSafetyTest, aHandheldThatDoesNotAnswerIsOfferedAgainUntilThePersonCloses)
{
    m_ws.writeSimulator("RefuseSession=yes\r\n");
    std::vector<std::string> offers;
    // The front end is told of each wait, and the offer comes between them.
    std::string waits;
    m_app.setDeviceWait([&](bool waiting) { waits += waiting ? '(' : ')'; });
    m_app.setRetryOffer([&](const std::string& text, const std::string& details) {
        waits += '?';
        offers.push_back(text + " | " + details);
        // Plugged in after the first offer.
        m_ws.writeSimulator("");
        return offers.size() == 1;
    });
    ASSERT_EQ(start(), SyncApp::Startup::Ready) << testing::PrintToString(m_ui.texts());
    ASSERT_EQ(offers.size(), 1U);
    EXPECT_EQ(offers[0], std::string(kNoDeviceMessage) + " | " + SyncApp::kNoDeviceAdvice);
    EXPECT_EQ(waits, "()?()");
    EXPECT_TRUE(m_ui.boxes.empty());
    EXPECT_EQ(m_ui.busyDepth, 0);
}

TEST_F(SyncAppSafetyTest, closingTheRetryOfferEndsWithoutAnotherMessage)
{
    m_ws.writeSimulator("RefuseSession=yes\r\n");
    int offers = 0;
    m_app.setRetryOffer([&](const std::string&, const std::string&) { return ++offers < 3; });
    EXPECT_EQ(start(), SyncApp::Startup::Failed);
    EXPECT_EQ(offers, 3);
    EXPECT_TRUE(m_ui.boxes.empty());
    EXPECT_FALSE(std::filesystem::exists(m_ws.work("backup")));
}

TEST_F(SyncAppSafetyTest, startupFailuresNameTheFileInFull)
{
    m_ws.writeWork("log", "a file where the folder belongs");
    std::filesystem::remove(m_ws.dialer("region.txt"));
    ASSERT_EQ(start(), SyncApp::Startup::Failed);
    ASSERT_EQ(m_ui.boxes.size(), 2U) << testing::PrintToString(m_ui.texts());
    EXPECT_EQ(m_ui.boxes[0].text, "ERROR: Unable to create directory log");
    EXPECT_EQ(m_ui.boxes[0].details, m_ws.work("log") + ": File exists");
    EXPECT_EQ(m_ui.boxes[1].text, "Error: Unable to open: region.txt");
    EXPECT_EQ(m_ui.boxes[1].details, "Looked for " + m_ws.dialer("region.txt"));
}
