#include "fixtures/TempDir.h"
#include "updater/UpdateLog.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tarvo;
using tarvo::test::TempDir;

TEST(UpdateLog, writesPlainAndCodedRecordsAsWindowsTextVerbatim)
{
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "log");
    UpdateLog log(dir.path() / "log" / "update.log");
    log.write("Unable to retrieve file", 404);
    log.write("Retrieving http://host/pb%20book.txt.12");
    log.write("\n(42.ver)");
    log.write("negative", -2);
    EXPECT_EQ(dir.read("log/update.log"), "404: Unable to retrieve file\r\n"
                                          "Retrieving http://host/pb%20book.txt.12\r\n"
                                          "\r\n(42.ver)\r\n"
                                          "-2: negative\r\n");
}

TEST(UpdateLog, aLogThatCannotBeOpenedLosesItsRecordQuietly)
{
    TempDir dir;
    UpdateLog log(dir.path() / "log" / "update.log");
    log.write("lost");
    EXPECT_FALSE(dir.exists("log"));
}

TEST(UpdateLog, limitSizeKeepsTheNewestRecordsOnceTheLogOutgrowsItsBound)
{
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "log");
    UpdateLog log(dir.path() / "log" / "update.log");
    std::string record(99, 'x');
    for (int i = 0; i < 800; ++i) // 80,800 bytes: past 50,000 * 1.5
        log.write(record + std::to_string(i % 10));
    log.limitSize();
    std::string text = dir.read("log/update.log");
    EXPECT_LE(text.size(), 50000U);
    EXPECT_GT(text.size(), 49000U);
    EXPECT_EQ(text.substr(text.size() - 102), record + "9\r\n");
    EXPECT_EQ(text.substr(0, 99), record); // starts at a record
}

TEST(UpdateLog, aRunWritesItsDetailsUpToItsBoundButAlwaysItsOutcome)
{
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "log");
    UpdateLog log(dir.path() / "log" / "update.log", 2);
    log.beginRun();
    for (const char* text : {"one", "two", "three", "four"})
        log.write(text);
    log.writeAlways("Update process failed -2");
    log.beginRun();
    log.write("next run");
    EXPECT_EQ(dir.read("log/update.log"), "one\r\ntwo\r\n"
                                          "More than 2 log records in this run: the rest are left out\r\n"
                                          "Update process failed -2\r\n"
                                          "next run\r\n");
}

TEST(UpdateLog, theLastReasonIsTheLastRunsFailureLinesNotItsCourse)
{
    const std::string earlier = "\r\n** Sun Dec 06 19:48:22 2026\r\n** Using http://a\r\n\r\n(42.ver)\r\n"
                                "Unable to get http://a/verce/42.ver\r\nCouldn't connect to server\r\n"
                                "Update process failed -2\r\n";
    EXPECT_EQ(UpdateLog::lastReason(earlier), "Unable to get http://a/verce/42.ver\nCouldn't connect to server");
    EXPECT_EQ(UpdateLog::lastReason(earlier + "\r\n** Mon Dec 07 08:00:00 2026\r\n** Using http://b\r\n\r\n(42.ver)\r\n"
                                              "Retrieving http://b/pbook.txt.12\r\n"
                                              "Expected 100 bytes - received 50\r\nUpdate process failed -2\r\n"),
              "Expected 100 bytes - received 50");
    EXPECT_EQ(UpdateLog::lastReason(earlier + "No URL available\r\n"), "No URL available");
    EXPECT_EQ(UpdateLog::lastReason(earlier + "\r\n** Mon Dec 07 08:00:00 2026\r\n** Using http://b\r\n\r\n(42.ver)\r\n"
                                              "Files are up to date\r\n"),
              "");
    EXPECT_EQ(UpdateLog::lastReason(""), "");
}
