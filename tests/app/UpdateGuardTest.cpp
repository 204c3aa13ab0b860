#include "app/UpdateGuard.h"

#include "fixtures/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <unistd.h>

using namespace tarvo;
using tarvo::test::TempDir;

TEST(UpdateGuard, onlyAMarkerHeldByAnotherOpenerStopsStartup)
{
    TempDir dir;
    std::string marker = dir.file("_updatelist.txt");
    EXPECT_FALSE(UpdateGuard::isHeld(marker));

    dir.write("_updatelist.txt", "update/pbook.txt\r\n");
    EXPECT_FALSE(UpdateGuard::isHeld(marker));

    // The installer's exclusive hold: a lock on a separate open file.
    int fd = ::open(marker.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    EXPECT_TRUE(UpdateGuard::isHeld(marker));
    ::close(fd);
    EXPECT_FALSE(UpdateGuard::isHeld(marker));
}

TEST(UpdateGuard, aMarkerThatCannotBeOpenedIsUnusableAndSaysWhy)
{
    TempDir dir;
    const std::string marker = dir.file("_updatelist.txt");
    // A link to itself: there, but no file to open.
    std::filesystem::create_symlink(marker, marker);
    UpdateGuard::Status status = UpdateGuard::check(marker);
    EXPECT_EQ(status.state, UpdateGuard::State::Unusable);
    EXPECT_EQ(status.message, "ERROR: Unable to check the update marker " + marker +
                                  " (Too many levels of symbolic links).");
    EXPECT_FALSE(UpdateGuard::isHeld(marker));
}
