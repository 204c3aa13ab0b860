#include "support/InstalledData.h"

#include "fixtures/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using tarvo::InstalledData;
using Path = std::filesystem::path;
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

    const Path installed = prefix.path() / "share" / "tarvo" / kName;
    EXPECT_EQ(Path(InstalledData::pathFor(kName, prefix.path() / "bin" / "tarvo-sync")), installed);
    // However the program was named on the way there.
    EXPECT_EQ(Path(InstalledData::pathFor(kName, prefix.path() / "bin" / ".." / "bin" / "tarvo-sync")), installed);
}

TEST(InstalledData, outsideTheBuildTreeTheSourceTreeIsNeverUsed)
{
    TempDir prefix;
    std::filesystem::create_directories(prefix.path() / "bin");
    // Nothing installed: the answer names the installed place, so the
    // failure to read it says where the file was looked for.
    EXPECT_EQ(Path(InstalledData::pathFor(kName, prefix.path() / "bin" / "tarvo-sync")),
              prefix.path() / "share" / "tarvo" / kName);
    EXPECT_EQ(Path(InstalledData::pathFor(kName, "")), Path("share") / "tarvo" / kName);
}

TEST(InstalledData, aProgramInTheBuildTreeReadsTheSourceTreesData)
{
    const Path inBuildTree = Path(TARVO_BINARY_DIR) / "src" / "cli" / "tarvo-sync";
    const Path shipped = Path(TARVO_SOURCE_DIR) / "data" / kName;
    EXPECT_EQ(Path(InstalledData::pathFor(kName, inBuildTree)), shipped);
    // A folder whose name merely begins like the build tree's is outside it.
    EXPECT_NE(Path(InstalledData::pathFor(kName, Path(std::string(TARVO_BINARY_DIR) + "-other") / "bin" / "tarvo-sync")),
              shipped);

    // This test program runs in the build tree too.
    EXPECT_TRUE(std::filesystem::is_regular_file(InstalledData::path(kName))) << InstalledData::path(kName);
}
