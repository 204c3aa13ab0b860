#include "app/WorkingFolderLock.h"

#include "fixtures/ChildProcess.h"
#include "fixtures/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tarvo;
using tarvo::test::TempDir;

TEST(WorkingFolderLock, oneHolderAtATimeAndReleasedWithItsHolder)
{
    TempDir dir;
    const std::string path = dir.file("synchronizer.lock");
    {
        WorkingFolderLock first(path);
        ASSERT_EQ(first.acquire(), WorkingFolderLock::State::Held);
        EXPECT_TRUE(first.held());
        EXPECT_EQ(first.acquire(), WorkingFolderLock::State::Held) << "asking again is no second holder";

        WorkingFolderLock second(path);
        EXPECT_EQ(second.acquire(), WorkingFolderLock::State::Taken);
        EXPECT_FALSE(second.held());

        // Another process sees it taken as well.
        tarvo::test::ChildProcess other({tarvo::test::testChildProgram(), "try-lock", path}, dir.file("other.out"));
        EXPECT_EQ(other.wait(), 0);
    }
    WorkingFolderLock after(path);
    EXPECT_EQ(after.acquire(), WorkingFolderLock::State::Held);
    EXPECT_TRUE(std::filesystem::exists(path)) << "the file stays; only the lock goes";

    WorkingFolderLock nowhere(dir.file("no/such/folder/synchronizer.lock"));
    EXPECT_EQ(nowhere.acquire(), WorkingFolderLock::State::Unusable);
}

TEST(WorkingFolderLock, aLockHeldByAnotherProcessIsTakenUntilThatProcessEnds)
{
    TempDir dir;
    const std::string path = dir.file("synchronizer.lock");
    tarvo::test::ChildProcess holder({tarvo::test::testChildProgram(), "hold-lock", path, dir.file("go")},
                                     dir.file("holder.out"));
    ASSERT_TRUE(tarvo::test::waitForLine(dir.file("holder.out"), "held"));
    {
        WorkingFolderLock mine(path);
        EXPECT_EQ(mine.acquire(), WorkingFolderLock::State::Taken);
    }
    holder.kill(9);
    holder.wait();
    WorkingFolderLock mine(path);
    EXPECT_EQ(mine.acquire(), WorkingFolderLock::State::Held) << "a killed holder leaves the folder free";
}
