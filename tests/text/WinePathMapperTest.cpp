#include "text/WinePathMapper.h"

#include "fixtures/WinePrefix.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using namespace tarvo;
using tarvo::test::WinePrefix;

namespace {

std::string mapped(const WinePathMapper& paths, std::string_view windowsPath)
{
    return paths.toLinuxPath(windowsPath).value_or("<none>");
}

} // namespace

TEST(WinePathMapper, drivesMapThroughDosdevicesAndNamesMatchOnDiskIgnoringCase)
{
    WinePrefix prefix;
    const std::string tarvo = prefix.makeFolder("Program Files/Tarvo Caf\xC3\xA9");
    const std::string driveC = std::filesystem::canonical(prefix.dir().file("drive_c")).string();
    WinePathMapper paths(prefix.path());

    EXPECT_EQ(mapped(paths, "C:\\Program Files\\Tarvo Caf\xC3\xA9"), tarvo);
    EXPECT_EQ(mapped(paths, "c:/PROGRAM FILES\\tarvo caf\xC3\x89\\"), tarvo);
    EXPECT_EQ(mapped(paths, "C:\\Windows\\..\\.\\Program Files\\\\Tarvo Caf\xC3\xA9\\Sub\\..\\"), tarvo);
    EXPECT_EQ(mapped(paths, "C:"), driveC);
    // ".." stops at the drive's root, as on Windows.
    EXPECT_EQ(mapped(paths, "C:\\..\\..\\etc"), driveC + "/etc");
    // Names not on disk are kept as written, from the first missing one on.
    EXPECT_EQ(mapped(paths, "C:\\program files\\Missing\\TARVO CAF\xC3\x89"),
              driveC + "/Program Files/Missing/TARVO CAF\xC3\x89");
    EXPECT_EQ(mapped(paths, "Z:\\"), "/");
    EXPECT_EQ(mapped(paths, "z:" + prefix.path() + "/DRIVE_C/program files"), prefix.path() + "/drive_c/Program Files");

    for (const char* none : {"D:\\Tarvo", "\\\\server\\share\\Tarvo", "\\Tarvo", "Tarvo", "%ProgramFiles%\\Tarvo", "",
                             "1:\\Tarvo", "/opt/tarvo"})
        EXPECT_EQ(mapped(paths, none), "<none>") << none;

    // A drive whose link leads nowhere is no drive.
    std::filesystem::create_directory_symlink("../nothing", prefix.dir().path() / "dosdevices" / "d:");
    EXPECT_EQ(mapped(paths, "D:\\Tarvo"), "<none>");
    EXPECT_EQ(mapped(WinePathMapper(""), "C:\\Program Files"), "<none>");
}
