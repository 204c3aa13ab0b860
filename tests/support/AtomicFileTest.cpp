#include "support/AtomicFile.h"

#include "fixtures/PhonebookTestServer.h"
#include "fixtures/ScopedFileSizeLimit.h"
#include "fixtures/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using namespace tarvo;
using tarvo::test::TempDir;

TEST(AtomicFile, leftoversOfAKilledWriterGoAndNothingElse)
{
    TempDir dir;
    // What a writer of cepbook.txt killed before its commit leaves.
    pid_t killed = ::fork();
    ASSERT_GE(killed, 0);
    if (killed == 0) {
        AtomicFile writer(dir.file("cepbook.txt"));
        bool ok = writer.open() && writer.write("half a phone") && std::fflush(writer.stream()) == 0;
        ::_exit(ok ? 0 : 1); // no destructor runs
    }
    int status = 0;
    ASSERT_EQ(::waitpid(killed, &status, 0), killed);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    std::filesystem::path left;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        left = entry.path();
    ASSERT_FALSE(left.empty());
    std::filesystem::copy_file(left, dir.path() / "cepbook.txt.tmpAb3xYz");

    dir.write("cepbook.txt", "the good one");
    dir.write("cepbook.txt.tmp", "not ours: no suffix");
    dir.write("cepbook.txt.tmpABCDEFG", "not ours: seven");
    dir.write("cepbook.txt.tmpAB-DEF", "not ours: a dash");
    dir.write("city.txt.tmpQwErTy", "another file's");
    dir.write(".tmpABCDEF", "no file's");
    std::filesystem::create_directory(dir.path() / "cepbook.txt.tmpFOLDER");

    EXPECT_EQ(AtomicFile::removeLeftovers(dir.file("cepbook.txt")), 2U);
    EXPECT_FALSE(dir.exists("cepbook.txt.tmpAb3xYz"));
    EXPECT_FALSE(std::filesystem::exists(left));
    EXPECT_EQ(dir.read("cepbook.txt"), "the good one");
    for (const char* kept : {"cepbook.txt.tmp", "cepbook.txt.tmpABCDEFG", "cepbook.txt.tmpAB-DEF", "city.txt.tmpQwErTy",
                             "cepbook.txt.tmpFOLDER"})
        EXPECT_TRUE(dir.exists(kept)) << kept;

    // Folder-wide: every name's leftovers, still only files.
    EXPECT_EQ(AtomicFile::removeLeftoversIn(dir.path().string()), 1U);
    EXPECT_FALSE(dir.exists("city.txt.tmpQwErTy"));
    EXPECT_TRUE(dir.exists("cepbook.txt.tmpFOLDER"));
    EXPECT_TRUE(dir.exists(".tmpABCDEF")) << "a name that is only the mark is no leftover of a file";
}

TEST(AtomicFile, aSweepLeavesTheFilesOfLiveWritersAlone)
{
    // Two programs writing into one folder (two working folders syncing one
    // handheld): each one's start-up sweep must spare the other's file.
    TempDir dir;
    int ready[2];
    int finish[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(finish), 0);
    pid_t other = ::fork();
    ASSERT_GE(other, 0);
    if (other == 0) {
        AtomicFile writer(dir.file("cepbook.txt"));
        bool ok = writer.open() && writer.write("the other session's phonebook");
        char go = ok ? '1' : '0';
        (void)::write(ready[1], &go, 1);
        (void)::read(finish[0], &go, 1);
        ::_exit(ok && writer.commit() ? 0 : 1);
    }
    char go = 0;
    ASSERT_EQ(::read(ready[0], &go, 1), 1);
    ASSERT_EQ(go, '1');

    AtomicFile mine(dir.file("city.txt"));
    ASSERT_TRUE(mine.open());
    EXPECT_EQ(AtomicFile::removeLeftoversIn(dir.path().string()), 0U);
    EXPECT_TRUE(mine.write("mine") && mine.commit());

    (void)::write(finish[1], &go, 1);
    int status = 0;
    ASSERT_EQ(::waitpid(other, &status, 0), other);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(dir.read("cepbook.txt"), "the other session's phonebook");
    EXPECT_EQ(dir.read("city.txt"), "mine");
    for (int fd : {ready[0], ready[1], finish[0], finish[1]})
        ::close(fd);
}

TEST(AtomicFile, aReplacementThatFailsPartWayLeavesTheOldFileByteForByte)
{
    TempDir dir;
    const std::string old = tarvo::test::patternBytes(3000);
    dir.write("cereg.ini", old);
    // A file-size limit below the new content, as a full quota gives; in a
    // child, so the limit stays there.
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        tarvo::test::ScopedFileSizeLimit limit(4096);
        ::_exit(writeFileAtomically(dir.file("cereg.ini"), std::string(1 << 20, 'n')) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the write reported success";
    EXPECT_EQ(dir.read("cereg.ini"), old);
    EXPECT_EQ(AtomicFile::removeLeftoversIn(dir.path().string()), 0U) << "the failed write left its temporary file";
}
