#include "app/WorkingFolderLock.h"

#include "fixtures/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

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
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            WorkingFolderLock inChild(path);
            ::_exit(inChild.acquire() == WorkingFolderLock::State::Taken ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    WorkingFolderLock after(path);
    EXPECT_EQ(after.acquire(), WorkingFolderLock::State::Held);
    EXPECT_TRUE(std::filesystem::exists(path)) << "the file stays; only the lock goes";

    WorkingFolderLock nowhere(dir.file("no/such/folder/synchronizer.lock"));
    EXPECT_EQ(nowhere.acquire(), WorkingFolderLock::State::Unusable);
}
