#include "app/UpdateGuard.h"

#include "fixtures/HeldFile.h"
#include "fixtures/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tarvo;
using tarvo::test::TempDir;

TEST(UpdateGuard, onlyAMarkerHeldByAnotherOpenerStopsStartup)
{
    TempDir dir;
    std::string marker = dir.file("_updatelist.txt");
    EXPECT_FALSE(UpdateGuard::isHeld(marker));

    dir.write("_updatelist.txt", "update/pbook.txt\r\n");
    EXPECT_FALSE(UpdateGuard::isHeld(marker));

    {
        // The installer's exclusive hold, from a separate open file.
        tarvo::test::HeldFile installer(marker);
        ASSERT_TRUE(installer.held());
        EXPECT_TRUE(UpdateGuard::isHeld(marker));
    }
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
