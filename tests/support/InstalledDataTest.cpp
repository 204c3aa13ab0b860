#include "support/InstalledData.h"

#include "fixtures/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using tarvo::InstalledData;
using tarvo::test::TempDir;

namespace {

const std::string kName = "telephony-countries.csv";

} // namespace

TEST(InstalledData, isFoundBesideTheProgramInAnyPrefix)
{
    TempDir prefix;
    std::filesystem::create_directories(prefix.path() / "bin");
    std::filesystem::create_directories(prefix.path() / "share/tarvo");
    prefix.write("share/tarvo/" + kName, "1,1,\"USA\",\"G\",\" 1FG\",\"011EFG\",0\n");

    EXPECT_EQ(InstalledData::pathFor(kName, prefix.path() / "bin/tarvo-sync"), prefix.file("share/tarvo/" + kName));
    // However the program was named on the way there.
    EXPECT_EQ(InstalledData::pathFor(kName, prefix.path() / "bin/../bin/tarvo-sync"),
              prefix.file("share/tarvo/" + kName));
}

TEST(InstalledData, outsideTheBuildTreeTheSourceTreeIsNeverUsed)
{
    TempDir prefix;
    std::filesystem::create_directories(prefix.path() / "bin");
    // Nothing installed: the answer names the installed place, so the
    // failure to read it says where the file was looked for.
    EXPECT_EQ(InstalledData::pathFor(kName, prefix.path() / "bin/tarvo-sync"), prefix.file("share/tarvo/" + kName));
    EXPECT_EQ(InstalledData::pathFor(kName, ""), "share/tarvo/" + kName);
}

TEST(InstalledData, aProgramInTheBuildTreeReadsTheSourceTreesData)
{
    const std::filesystem::path inBuildTree = std::filesystem::path(TARVO_BINARY_DIR) / "src/cli/tarvo-sync";
    EXPECT_EQ(InstalledData::pathFor(kName, inBuildTree), std::string(TARVO_SOURCE_DIR) + "/data/" + kName);
    // A folder whose name merely begins like the build tree's is outside it.
    EXPECT_NE(InstalledData::pathFor(kName, std::string(TARVO_BINARY_DIR) + "-other/bin/tarvo-sync"),
              std::string(TARVO_SOURCE_DIR) + "/data/" + kName);

    // This test program runs in the build tree too.
    EXPECT_TRUE(std::filesystem::is_regular_file(InstalledData::path(kName))) << InstalledData::path(kName);
}
