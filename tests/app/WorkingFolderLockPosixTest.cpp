// The lock's answers where Linux files have owners and modes.
#include "app/WorkingFolderLock.h"

#include "fixtures/TempDir.h"
#include "fixtures/WithoutRoot.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tarvo;
using tarvo::test::TempDir;

TEST(WorkingFolderLock, aLockThatCannotBeTakenIsUnusableUnlessNothingCanBeWrittenAnyway)
{
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "synchronizer.lock");
    WorkingFolderLock folder(dir.file("synchronizer.lock"));
    EXPECT_EQ(folder.acquire(), WorkingFolderLock::State::Unusable);
    EXPECT_EQ(folder.unusableMessage(),
              "ERROR: Unable to use the lock file " + dir.file("synchronizer.lock") + " (Is a directory).");

    // A lock file left by another user (one run with sudo), and a folder
    // that is not ours to write at all.
    namespace fs = std::filesystem;
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    fs::create_directories(dir.path() / "shared");
    fs::create_directories(dir.path() / "readonly");
    dir.write("shared/synchronizer.lock", "");
    fs::permissions(dir.path() / "shared", fs::perms::all);
    fs::permissions(dir.path() / "shared" / "synchronizer.lock",
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(dir.path() / "readonly", fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                                 fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    const std::string notWritable = dir.file("shared/synchronizer.lock");
    const std::string readOnly = dir.file("readonly/synchronizer.lock");
    EXPECT_EQ(tarvo::test::runWithoutRoot([&] {
                  WorkingFolderLock other(notWritable);
                  WorkingFolderLock nowhere(readOnly);
                  return (other.acquire() == WorkingFolderLock::State::Unusable ? 0 : 1) +
                         (other.unusableMessage().ends_with("synchronizer.lock (Permission denied).") ? 0 : 2) +
                         (nowhere.acquire() == WorkingFolderLock::State::ReadOnlyFolder ? 0 : 4);
              }),
              0);
}
