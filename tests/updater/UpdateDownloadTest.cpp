#include "updater/UpdateFixture.h"

#include "fixtures/Gzip.h"
#include "fixtures/ScopedFileSizeLimit.h"
#include "support/AtomicFile.h"
#include "updater/GzipExpander.h"

#include <atomic>
#include <filesystem>

using namespace tarvo;
using namespace tarvo::test;
using Lines = std::vector<std::string>;
using Names = std::set<std::string>;

namespace {

std::string entry(const std::string& name, const std::string& flags, int major, std::uint32_t checksum)
{
    return name + "," + flags + "," + std::to_string(major) + ",0," + std::to_string(checksum) + "\r\n";
}

} // namespace

TEST_F(UpdateTest, aFileShorterThanAnnouncedFailsThePassAndIsDiscarded)
{
    m_server.put("/verce/42.ver", "pbook.txt,,12,0\r\n");
    m_server.put("/pbook.txt.12", Served{.body = std::string(90, 'p'), .announced = 100, .fault = Served::Fault::Drop});
    m_server.put("/verce/global.ver", "city.txt,,1,0\r\n");

    EXPECT_EQ(runUpdate(), UpdateService::kFailed);
    EXPECT_EQ(logBody(), (Lines{"", "(42.ver)", "Retrieving $SERVER/pbook.txt.12", "Expected 100 bytes - received 90",
                                "transfer closed with 10 bytes remaining to read", "Update process failed -2"}));
    EXPECT_EQ(folder("update"), Names{});
    EXPECT_EQ(m_server.requests(), (Lines{"/verce/42.ver", "/pbook.txt.12"}));
    EXPECT_EQ(m_observer.messages(), (Lines{"pending", "caption ", "status Getting pbook.txt",
                                            "status Application update failed.", "done"}));
}

TEST_F(UpdateTest, aConnectionThatDropsOrStallsMidBodyFailsOnTheLength)
{
    m_server.put("/verce/42.ver", "drop.bin,,1,0\r\n");
    m_server.put("/drop.bin.1", Served{.announced = 300000, .fault = Served::Fault::Drop, .generated = 100000});
    EXPECT_EQ(runUpdate(), UpdateService::kFailed);
    EXPECT_EQ(logBody(), (Lines{"", "(42.ver)", "Retrieving $SERVER/drop.bin.1", "Expected 300000 bytes - received 100000",
                                "transfer closed with 200000 bytes remaining to read", "Update process failed -2"}));

    // A server that stops sending is given up after the timeout.
    std::filesystem::remove(m_dir.path() / "log" / "update.log");
    m_server.put("/verce/42.ver", "stall.bin,,1,0\r\n");
    m_server.put("/stall.bin.1", Served{.announced = 300000, .fault = Served::Fault::Stall, .generated = 100000});
    UpdateOptions quick = options();
    quick.httpTimeout = std::chrono::milliseconds(300);
    EXPECT_EQ(runUpdate(quick), UpdateService::kFailed);
    EXPECT_EQ(logBody(), (Lines{"", "(42.ver)", "Retrieving $SERVER/stall.bin.1",
                                "Expected 300000 bytes - received 100000", "no data from the server for 300 ms",
                                "Update process failed -2"}));
    EXPECT_EQ(folder("update"), Names{});
}

TEST_F(UpdateTest, aWrongChecksumFailsAndChecksumZeroAcceptsAnything)
{
    const std::string body = "US,TX,Texas\r\n";
    m_server.put("/verce/42.ver", entry("region.txt", "", 4, 12345));
    m_server.put("/region.txt.4", body);
    EXPECT_EQ(runUpdate(), UpdateService::kFailed);
    EXPECT_EQ(logBody(), (Lines{"", "(42.ver)", "Retrieving $SERVER/region.txt.4",
                                "Checksum error - expected 12345, got " + std::to_string(crc32Of(body)),
                                "Update process failed -2"}));
    EXPECT_EQ(folder("update"), Names{});

    m_server.put("/verce/42.ver", entry("region.txt", "", 4, 0));
    EXPECT_EQ(runUpdate(), UpdateService::kUpdated);
    EXPECT_EQ(read("update/region.txt.4"), body);
}

TEST_F(UpdateTest, compressedEntriesExpandAsTheirFlagsSayAndDataThatIsNotGzipPassesThrough)
{
    const std::string binary = patternBytes(5000) + "\n\r\n";
    const std::string packed = gzipped(binary);
    const std::string plain = "not gzip at all\n";
    m_server.put("/verce/42.ver", entry("bin.dat", "C", 2, crc32Of(packed)) + entry("plain.txt", "CA", 3, 0));
    m_server.put("/bin.dat.2", packed);
    m_server.put("/plain.txt.3", plain);
    write("update/bin.dat.2.gz", "stale copy of an earlier run");

    EXPECT_EQ(runUpdate(), UpdateService::kUpdated);
    EXPECT_EQ(read("update/bin.dat.2"), binary);
    EXPECT_EQ(read("update/bin.dat.2.gz"), packed);
    // Read through unchanged, but written as text.
    EXPECT_EQ(read("update/plain.txt.3"), "not gzip at all\r\n");
    EXPECT_EQ(read("update/plain.txt.3.gz"), plain);
}

TEST_F(UpdateTest, damagedGzipDataFailsInsteadOfStagingHalfAFile)
{
    std::string packed = gzipped(std::string(200000, 'x') + patternBytes(100000));
    packed.resize(packed.size() / 2);
    m_server.put("/verce/42.ver", entry("cut.txt", "C", 1, 0));
    m_server.put("/cut.txt.1", packed);

    EXPECT_EQ(runUpdate(), UpdateService::kFailed);
    EXPECT_EQ(logBody(), (Lines{"", "(42.ver)", "Retrieving $SERVER/cut.txt.1",
                                "Unable to expand compressed file cut.txt.1", "Update process failed -2"}));
    EXPECT_EQ(folder("update"), Names{});
}

TEST_F(UpdateTest, aFailedFetchLeavesThePreviousStagingAsItWas)
{
    // Five files, the third missing on the server: nothing the pass fetched
    // stays, and what earlier runs staged is not touched.
    m_server.put("/verce/42.ver", entry("a.txt", "", 1, 0) + entry("b.txt", "C", 2, 0) + entry("c.txt", "", 3, 0) +
                                      entry("d.txt", "", 4, 0) + entry("e.txt", "", 5, 0));
    m_server.put("/a.txt.1", "a");
    m_server.put("/b.txt.2", gzipped("b"));
    m_server.put("/d.txt.4", "d");
    write("update/d.txt", "stale d");
    write("update/e.txt", "stale e");
    write("update/e.txt.5", "kept: the pass never named it so");

    EXPECT_EQ(runUpdate(), UpdateService::kFailed);
    EXPECT_EQ(logBody(), (Lines{"", "(42.ver)", "Retrieving $SERVER/a.txt.1", "Retrieving $SERVER/b.txt.2",
                                "Retrieving $SERVER/c.txt.3", "404: Unable to retrieve file",
                                "Update process failed -2"}));
    EXPECT_EQ(folder("update"), (Names{"d.txt", "e.txt", "e.txt.5"}));
    EXPECT_EQ(read("update/d.txt"), "stale d");
    EXPECT_EQ(m_server.requests(), (Lines{"/verce/42.ver", "/a.txt.1", "/b.txt.2", "/c.txt.3"}));
}

TEST_F(UpdateTest, aSecondLineOfOneNameIsRejected)
{
    // Both would be staged under one file name.
    m_server.put("/verce/42.ver", entry("dup.txt", "", 3, 0) + entry("dup.txt", "", 5, 0));
    m_server.put("/dup.txt.3", "three");
    EXPECT_EQ(runUpdate(), UpdateService::kUpdated);
    EXPECT_EQ(logBody()[2], "Rejected entry dup.txt,,5,0,0 (duplicate name)");
    EXPECT_EQ(m_server.requests(), (Lines{"/verce/42.ver", "/dup.txt.3", "/verce/global.ver"}));
    EXPECT_EQ(read("update/42.ver"), "dup.txt,,3,0,0");
}

TEST_F(UpdateTest, aLocalWriteErrorEndsTheRunWithItsCause)
{
    m_server.put("/verce/42.ver", entry("first.txt", "", 1, 0) + entry("full.bin", "", 1, 0));
    m_server.put("/first.txt.1", "first");
    m_server.put("/full.bin.1", Served{.generated = 200000});
    m_server.put("/verce/global.ver", entry("never.txt", "", 1, 0));
    write("update/first.txt.1", "staged by an earlier run");

    // The files grow no larger than the first file (a full quota).
    {
        ScopedFileSizeLimit limit(100000);
        EXPECT_EQ(runUpdate(), UpdateService::kFailed);
    }
    EXPECT_EQ(logBody(), (Lines{"", "(42.ver)", "Retrieving $SERVER/first.txt.1", "Retrieving $SERVER/full.bin.1",
                                "Download() failed <$SERVER/full.bin.1>", "27: update/full.bin.1",
                                "File too large"}));
    // Nothing of the broken pass stays staged; global.ver is never asked.
    EXPECT_EQ(folder("update"), Names{"first.txt.1"});
    EXPECT_EQ(read("update/first.txt.1"), "staged by an earlier run");
    EXPECT_EQ(m_server.requests(), (Lines{"/verce/42.ver", "/first.txt.1", "/full.bin.1"}));
    EXPECT_EQ(m_observer.messages().back(), "done");
    EXPECT_EQ(*(m_observer.messages().end() - 2), "status Application update failed.");
}

TEST_F(UpdateTest, flagLDeletesTheLogCopyAfterASuccessfulPass)
{
    write("log/pbook.txt", "copy");
    write("log/keep.txt", "copy");
    m_server.put("/verce/42.ver", entry("pbook.txt", "l", 1, 0) + entry("keep.txt", "", 1, 0));
    m_server.put("/pbook.txt.1", "p");
    m_server.put("/keep.txt.1", "k");
    EXPECT_EQ(runUpdate(), UpdateService::kUpdated);
    EXPECT_EQ(folder("log"), (Names{"keep.txt", "update.log"}));
}

TEST_F(UpdateTest, cancellingDuringALargeFileFailsThePassWithMinusOne)
{
    std::atomic<UpdateService*> service{nullptr};
    m_server.put("/verce/42.ver", entry("big.bin", "", 1, 0));
    m_server.put("/big.bin.1", Served{.generated = 64 << 20,
                                      .midway = [&service] { service.load()->cancel(); },
                                      .afterBytes = 1 << 20});
    m_server.put("/verce/global.ver", entry("never.txt", "", 1, 0));

    auto owned = makeService(options());
    service = owned.get();
    ASSERT_TRUE(owned->start(m_observer));
    EXPECT_EQ(owned->wait(), UpdateService::kFailed);
    EXPECT_EQ(owned->lastOutcome(), UpdateOutcome::Cancelled);
    EXPECT_EQ(logBody(), (Lines{"", "(42.ver)", "Retrieving $SERVER/big.bin.1", "User cancelled: $SERVER/big.bin.1",
                                "Update process failed -1"}));
    EXPECT_EQ(folder("update"), Names{});
    EXPECT_EQ(m_server.requests(), (Lines{"/verce/42.ver", "/big.bin.1"}));
    // A cancelled run still ends with its report and `done`, and nothing
    // follows that.
    EXPECT_EQ(m_observer.messages(), (Lines{"pending", "caption ", "status Getting big.bin",
                                            "status Application update failed.", "done"}));
    EXPECT_EQ(m_observer.events().back(), "done");
}

TEST_F(UpdateTest, anExpansionStopsAtACancelOrBeforeTheDiskRunsLow)
{
    write("big.gz", gzipped(patternBytes(3 * GzipExpander::kBlock)));
    int asked = 0;
    AtomicFile cancelled(m_dir.file("big"));
    ASSERT_TRUE(cancelled.open());
    EXPECT_EQ(GzipExpander::expand(m_dir.file("big.gz"), cancelled, true, "big", ExpansionLimits{},
                                   [&asked] { return ++asked == 2; }),
              GzipExpander::Result::Cancelled);
    EXPECT_EQ(asked, 2) << "asked after every block";

    AtomicFile noRoom(m_dir.file("big"));
    ASSERT_TRUE(noRoom.open());
    EXPECT_EQ(GzipExpander::expand(m_dir.file("big.gz"), noRoom, true, "big",
                                   ExpansionLimits{.keepFree = std::uint64_t{1} << 62}),
              GzipExpander::Result::NoSpace);
    EXPECT_FALSE(exists("big"));
}
