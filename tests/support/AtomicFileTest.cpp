#include "support/AtomicFile.h"

#include "fixtures/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tarvo;
using tarvo::test::TempDir;

TEST(AtomicFile, leftoversOfAKilledWriterGoAndNothingElse)
{
    TempDir dir;
    // What a writer of cepbook.txt killed before its commit leaves.
    AtomicFile killed(dir.file("cepbook.txt"));
    ASSERT_TRUE(killed.open());
    ASSERT_TRUE(killed.write("half a phone"));
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
