#include "updater/UpdateFixture.h"

#include <filesystem>

using namespace tarvo;
using namespace tarvo::test;
using Lines = std::vector<std::string>;
using Names = std::set<std::string>;

TEST_F(UpdateTest, twoPassesStageTheFilesStoreTheListsAndBackUpWhatTheyReplace)
{
    write("pbook.txt", "old phonebook");
    write("region.txt", "old regions");
    write("42.ver", "pbook.txt,C,11,0\r\nold.txt,,1,0\r\nregion.txt,,3,0\r\n");
    write("log/city.txt", "a copy the dialer logged");

    // Lone line feeds gain a carriage return; CR LF stays as it is.
    const std::string phonebook = "line1\nline2\r\nline3\n";
    const std::string packed = gzipped(phonebook);
    const std::string regions = "US,TX,Texas\r\n";
    const std::string profileList = "pbook.txt,CA,12,0," + std::to_string(crc32Of(packed)) + "\r\nregion.txt,,4,0," +
                                    std::to_string(crc32Of(regions)) + "\r\n";
    m_server.put("/verce/42.ver", profileList);
    m_server.put("/verce/global.ver", "pbook.txt,,99,0\r\ncity.txt,L,5,0\r\n");
    m_server.put("/pbook.txt.12", packed);
    m_server.put("/region.txt.4", regions);
    m_server.put("/city.txt.5", "Austin");

    EXPECT_EQ(runUpdate(), UpdateService::kUpdated);

    EXPECT_EQ(logBody(), (Lines{"", "(42.ver)", "Retrieving $SERVER/pbook.txt.12", "Retrieving $SERVER/region.txt.4",
                                "Update process succeeded", "", "(global.ver)", "Retrieving $SERVER/city.txt.5",
                                "Update process succeeded"}));
    // The local copy of the profile's list names pbook.txt: global.ver's
    // line for it is left alone.
    EXPECT_EQ(m_server.requests(), (Lines{"/verce/42.ver", "/pbook.txt.12", "/region.txt.4", "/verce/global.ver",
                                          "/city.txt.5"}));
    for (const std::string& header : m_server.authorizations())
        EXPECT_EQ(header, PhonebookTestServer::expectedAuthorization());

    EXPECT_EQ(folder("update"),
              (Names{"42.ver", "city.txt.5", "global.ver", "pbook.txt.12", "pbook.txt.12.gz", "region.txt.4"}));
    EXPECT_EQ(read("update/pbook.txt.12"), "line1\r\nline2\r\nline3\r\n");
    EXPECT_EQ(read("update/pbook.txt.12.gz"), packed);
    EXPECT_EQ(read("update/region.txt.4"), regions);
    // Merged in place, the line the server dropped pruned, no line end last.
    EXPECT_EQ(read("update/42.ver"), "pbook.txt,CA,12,0," + std::to_string(crc32Of(packed)) + "\r\nregion.txt,,4,0," +
                                         std::to_string(crc32Of(regions)));
    EXPECT_EQ(read("update/global.ver"), "city.txt,L,5,0");

    // Installed files as they were; city.txt and global.ver are not installed.
    EXPECT_EQ(folder("backup"), (Names{"42.ver", "pbook.txt", "region.txt"}));
    EXPECT_EQ(read("backup/pbook.txt"), "old phonebook");
    EXPECT_EQ(read("backup/42.ver"), "pbook.txt,C,11,0\r\nold.txt,,1,0\r\nregion.txt,,3,0\r\n");
    EXPECT_EQ(read("pbook.txt"), "old phonebook");
    EXPECT_EQ(folder("log"), (Names{"update.log"}));

    EXPECT_EQ(m_observer.messages(),
              (Lines{"pending", "caption ", "status Getting pbook.txt", "caption ", "status Getting region.txt",
                     "pending", "caption ", "status Getting city.txt",
                     "status Application was downloaded successfully.", "done"}));
    Lines events = m_observer.events();
    EXPECT_NE(std::find(events.begin(), events.end(), "progress " + std::to_string(packed.size()) + "/" +
                                                           std::to_string(packed.size())),
              events.end());
    EXPECT_NE(std::find(events.begin(), events.end(), "progress 6/6"), events.end());
}

TEST_F(UpdateTest, temporaryFilesOfAKilledRunAreRemovedBeforeTheNextRun)
{
    write("update/42.ver.tmpAb12Cd", "half a list");
    write("backup/pbook.txt.tmpXy34Zw", "half a copy");
    write("update/pbook.txt.12", "staged by an earlier run");
    EXPECT_EQ(runUpdate(), UpdateService::kUpToDate);
    EXPECT_EQ(folder("update"), (Names{"pbook.txt.12"}));
    EXPECT_EQ(folder("backup"), Names{});
}

TEST_F(UpdateTest, theRunHeaderGivesTheTimeAndTheServer)
{
    UpdateOptions fixed = options();
    fixed.clock = [] { return std::time_t{1'800'000'000}; };
    EXPECT_EQ(runUpdate(fixed), UpdateService::kUpToDate);
    Lines lines = log();
    ASSERT_GE(lines.size(), 3U);
    EXPECT_EQ(lines[0], "");
    std::time_t when = 1'800'000'000;
    std::tm tm{};
    localtime_r(&when, &tm);
    char expected[64];
    std::strftime(expected, sizeof expected, "** %a %b %d %H:%M:%S %Y", &tm);
    EXPECT_EQ(lines[1], expected);
    EXPECT_EQ(lines[2], "** Using $SERVER");
}

TEST_F(UpdateTest, aMissingListIsUpToDateAndEveryRunFetchesTheListedFilesAgain)
{
    m_server.put("/verce/global.ver", "city.txt,,5,0\r\n");
    m_server.put("/city.txt.5", "Austin");

    EXPECT_EQ(runUpdate(), UpdateService::kUpdated);
    EXPECT_EQ(runUpdate(), UpdateService::kUpdated);

    const Lines pass = {"", "(42.ver)", "404: $SERVER/verce/42.ver", "Files are up to date", "", "(global.ver)",
                        "Retrieving $SERVER/city.txt.5", "Update process succeeded"};
    Lines both = pass;
    both.insert(both.end(), {"", "** ", "** Using $SERVER"});
    both.insert(both.end(), pass.begin(), pass.end());
    Lines body = logBody();
    ASSERT_EQ(body.size(), both.size());
    body[pass.size() + 1] = "** "; // the second header's time
    EXPECT_EQ(body, both);
    EXPECT_EQ(m_server.requests(),
              (Lines{"/verce/42.ver", "/verce/global.ver", "/city.txt.5", "/verce/42.ver", "/verce/global.ver",
                     "/city.txt.5"}));
}

TEST_F(UpdateTest, aServerErrorForTheProfileListFailsTheRunBeforeGlobalVer)
{
    m_server.put("/verce/42.ver", Served{.body = "", .status = 500});
    m_server.put("/verce/global.ver", "city.txt,,5,0\r\n");

    EXPECT_EQ(runUpdate(), UpdateService::kFailed);
    EXPECT_EQ(logBody(), (Lines{"", "(42.ver)", "500: $SERVER/verce/42.ver", "Update process failed -2"}));
    EXPECT_EQ(m_server.requests(), (Lines{"/verce/42.ver"}));
    EXPECT_EQ(m_observer.messages(), (Lines{"status Application update failed.", "done"}));
    EXPECT_EQ(folder("update"), Names{});
}

TEST_F(UpdateTest, aFailedSecondPassFailsTheRunAfterTheFirstSucceeded)
{
    m_server.put("/verce/42.ver", "a.txt,,1,0\r\n");
    m_server.put("/a.txt.1", "a");
    m_server.put("/verce/global.ver", "b.txt,,1,0\r\n");

    EXPECT_EQ(runUpdate(), UpdateService::kFailed);
    Lines body = logBody();
    ASSERT_GE(body.size(), 2U);
    EXPECT_EQ(Lines(body.end() - 2, body.end()), (Lines{"404: Unable to retrieve file", "Update process failed -2"}));
    EXPECT_EQ(m_observer.messages().back(), "done");
    EXPECT_EQ(*(m_observer.messages().end() - 2), "status Application update failed.");
    // The first pass's result stays staged; the second's is gone.
    EXPECT_EQ(folder("update"), (Names{"42.ver", "a.txt.1"}));
}

TEST_F(UpdateTest, withoutAnyServerTheRunFailsWithNoUrlAvailable)
{
    writeProfile("");
    EXPECT_EQ(runUpdate(), UpdateService::kFailed);
    EXPECT_EQ(log(), (Lines{"No URL available"}));
    EXPECT_EQ(m_observer.messages(), (Lines{"status Application update failed.", "done"}));

    // The maker-wide set is asked for but only the profile has servers.
    writeProfile("PBServer=1\r\nPhonebookURL1=" + m_server.base() + "\r\n");
    EXPECT_EQ(runUpdate(), UpdateService::kFailed);
    EXPECT_EQ(log(), (Lines{"No URL available", "No URL available"}));
    EXPECT_EQ(m_server.requests(), Lines{});
}

TEST_F(UpdateTest, aProfileServerWithoutItsOwnUserIsAskedWithTheMakersCredentials)
{
    writeProfile("PBServer=2\r\nPhonebookURL1=" + m_server.base() + "\r\n",
                 "PhonebookUserID=" + enciphered("maker") + "\r\nPhonebookPassword=" + enciphered("global-secret") +
                     "\r\n");
    EXPECT_EQ(runUpdate(), UpdateService::kUpToDate);
    EXPECT_EQ(m_server.authorizations(),
              (Lines{PhonebookTestServer::otherAuthorization(), PhonebookTestServer::otherAuthorization()}));
    EXPECT_EQ(m_observer.messages(), (Lines{"status The Application is up to date.", "done"}));
}

TEST_F(UpdateTest, anUnknownServerSetKeepsThePreviousRunsServer)
{
    auto service = makeService(options());
    ASSERT_TRUE(service->start(m_observer));
    EXPECT_EQ(service->wait(), UpdateService::kUpToDate);

    writeProfile("PBServer=0\r\nPhonebookURL1=http://127.0.0.1:1\r\n");
    RecordingObserver second;
    ASSERT_TRUE(service->start(second));
    EXPECT_EQ(service->wait(), UpdateService::kUpToDate);
    EXPECT_EQ(m_server.requests(), (Lines{"/verce/42.ver", "/verce/global.ver", "/verce/42.ver", "/verce/global.ver"}));

    // In a fresh process there is no previous server: the addresses start
    // with the bare path, and no connection comes of them.
    auto fresh = makeService(options());
    RecordingObserver third;
    ASSERT_TRUE(fresh->start(third));
    EXPECT_EQ(fresh->wait(), UpdateService::kFailed);
    Lines lines = log();
    auto unable = std::find(lines.begin(), lines.end(), "Unable to get /verce/42.ver");
    ASSERT_GE(lines.end() - unable, 3);
    EXPECT_FALSE((unable + 1)->empty()); // libcurl's reason
    EXPECT_EQ(*(unable + 2), "Update process failed -2");
}

TEST_F(UpdateTest, eitherSetGivesEveryConfiguredAddressItsShare)
{
    writeProfile("PBServer=3\r\nPhonebookURL1=http://p1\r\nPhonebookURL2=http://p2\r\n"
                 "PhonebookUserID=" + enciphered("u") + "\r\nPhonebookPassword=" + enciphered("p") + "\r\n",
                 "PhonebookURL1=http://g1\r\n");
    std::vector<std::uint32_t> numbers;
    UpdateOptions scripted = options();
    scripted.random = [&numbers] {
        std::uint32_t n = numbers.front();
        numbers.erase(numbers.begin());
        return n;
    };
    auto service = makeService(scripted);
    // First number picks the set (0 of 3: the one maker-wide address), the
    // second the address within it.
    numbers = {3, 7};
    ASSERT_TRUE(service->chooseServer());
    EXPECT_EQ(service->serverUrl(), "http://g1");
    EXPECT_EQ(service->sessionAuthHeader(), "");
    numbers = {1, 1};
    ASSERT_TRUE(service->chooseServer());
    EXPECT_EQ(service->serverUrl(), "http://p2");
    EXPECT_EQ(service->sessionAuthHeader(), m_profile.profileAuthHeader());
    numbers = {5, 4};
    ASSERT_TRUE(service->chooseServer());
    EXPECT_EQ(service->serverUrl(), "http://p1");
}

TEST_F(UpdateTest, aCommitRemovesSupersededVersionsButNotWhatTheOtherStoredListNames)
{
    m_server.put("/verce/42.ver", "pbook.txt,,1,0\r\n");
    m_server.put("/pbook.txt.1", "one");
    EXPECT_EQ(runUpdate(), UpdateService::kUpdated);
    // Piled up by older programs.
    write("update/pbook.txt", "bare");
    write("update/pbook.txt.5.gz", "five, compressed");
    write("update/pbook.txt.notes", "not a version");

    // The profile's pass stages version 2; global.ver then names version 7
    // of the same file, which must not take the profile list's file away.
    const std::string packed = gzipped("two");
    m_server.put("/verce/42.ver", "pbook.txt,C,2,0\r\n");
    m_server.put("/pbook.txt.2", packed);
    m_server.put("/verce/global.ver", "pbook.txt,,7,0\r\n");
    m_server.put("/pbook.txt.7", "seven");
    EXPECT_EQ(runUpdate(), UpdateService::kUpdated);
    EXPECT_EQ(folder("update"), (Names{"42.ver", "global.ver", "pbook.txt.2", "pbook.txt.2.gz", "pbook.txt.7",
                                       "pbook.txt.notes"}));
    EXPECT_EQ(read("update/pbook.txt.2"), "two");
    EXPECT_EQ(read("update/42.ver"), "pbook.txt,C,2,0");
}

TEST_F(UpdateTest, aBackupThatCannotBeMadeFailsThePassBeforeAnythingIsStaged)
{
    write("pbook.txt", "installed");
    write("update/42.ver", "pbook.txt,,1,0");
    write("update/pbook.txt.1", "staged earlier");
    // Something in the way of the copy.
    std::filesystem::create_directories(m_dir.path() / "backup" / "pbook.txt");
    m_server.put("/verce/42.ver", "pbook.txt,,2,0\r\n");
    m_server.put("/pbook.txt.2", "two");

    EXPECT_EQ(runUpdate(), UpdateService::kFailed);
    EXPECT_EQ(logBody(), (Lines{"", "(42.ver)", "Retrieving $SERVER/pbook.txt.2",
                                "Unable to back up pbook.txt to backup/pbook.txt", "Update process failed -2"}));
    EXPECT_EQ(folder("update"), (Names{"42.ver", "pbook.txt.1"}));
    EXPECT_EQ(read("update/42.ver"), "pbook.txt,,1,0");
}

TEST_F(UpdateTest, aLoneCarriageReturnEndsAListLineAndFlagLOnTheUpdateLogStartsItAnew)
{
    // A list written on an old Mac: CR alone between lines.
    m_server.put("/verce/42.ver", "a.txt,,1,0\rb.txt,,1,0\rupdate.log,L,1,0");
    m_server.put("/a.txt.1", "a");
    m_server.put("/b.txt.1", "b");
    m_server.put("/update.log.1", "a log of the server's");
    write("42.ver", "a.txt,,0,0\rlocal.txt,,1,0\r");

    EXPECT_EQ(runUpdate(), UpdateService::kUpdated);
    EXPECT_EQ(m_server.requests(),
              (Lines{"/verce/42.ver", "/a.txt.1", "/b.txt.1", "/update.log.1", "/verce/global.ver"}));
    EXPECT_EQ(read("update/42.ver"), "a.txt,,1,0\r\nb.txt,,1,0\r\nupdate.log,L,1,0");
    EXPECT_EQ(log(), (Lines{"Update process succeeded", "", "(global.ver)", "404: $SERVER/verce/global.ver",
                            "Files are up to date"}))
        << "the run's header and its first pass went with the old log";
}
