#include "app/DialerDiscovery.h"

#include "fixtures/TempDir.h"
#include "fixtures/WinePrefix.h"
#include "text/RegistryFile.h"
#include "text/WinePathMapper.h"
#include "text/WineRegistry.h"

#include <gtest/gtest.h>

using namespace tarvo;
using tarvo::test::TempDir;
using tarvo::test::WinePrefix;

namespace {

class DialerDiscoveryTest : public ::testing::Test {
protected:
    // An installation folder whose config.ini holds `version` (none: no key).
    std::string install(const std::string& name, const char* version)
    {
        std::string body = "[Profile]\r\nName=x\r\n";
        if (version)
            body += std::string("DialerVersionNo=") + version + "\r\n";
        m_dir.write(name + "/config.ini", body);
        return m_dir.file(name);
    }
    void appPath(const std::string& subkey, const std::string& path)
    {
        std::string key = std::string(DialerDiscovery::kAppPathsKey) + "\\" + subkey;
        ASSERT_TRUE(m_registry.createKey(key));
        ASSERT_TRUE(m_registry.setString(key, "Path", path));
    }

    TempDir m_dir;
    RegistryFile m_registry;
};

} // namespace

TEST_F(DialerDiscoveryTest, versionsCompareAsTextSoNineBeatsTen)
{
    appPath("TarvoConnect.exe", install("ten", "10"));
    appPath("TarvoConnect9.exe", install("nine", "9"));
    EXPECT_EQ(DialerDiscovery::find(m_registry), m_dir.file("nine"));
}

TEST_F(DialerDiscoveryTest, missingVersionCountsAsZeroButAnEmptyOneNeverWins)
{
    appPath("aTarvoConnect.exe", install("empty", ""));
    EXPECT_EQ(DialerDiscovery::find(m_registry), "");

    appPath("bTarvoConnect.exe", install("nokey", nullptr));
    EXPECT_EQ(DialerDiscovery::find(m_registry), m_dir.file("nokey"));
}

TEST_F(DialerDiscoveryTest, tiesGoToTheLaterSubkeyAndOtherProgramsAreIgnored)
{
    appPath("TARVOCONNECT2.EXE", install("second", "3.1"));
    appPath("TarvoConnect.exe", install("first", "3.1"));
    appPath("zeta.exe", install("other", "99"));
    // Registry order ignores case: TarvoConnect.exe, then TARVOCONNECT2.EXE.
    EXPECT_EQ(DialerDiscovery::find(m_registry), m_dir.file("second"));
}

TEST_F(DialerDiscoveryTest, perUserInstallKeyIsTheFallback)
{
    EXPECT_EQ(DialerDiscovery::find(m_registry), "");
    ASSERT_TRUE(m_registry.createKey(DialerDiscovery::kUserInstallKey));
    ASSERT_TRUE(m_registry.setString(DialerDiscovery::kUserInstallKey, "Path", "/home/me/tarvo"));
    EXPECT_EQ(DialerDiscovery::find(m_registry), "/home/me/tarvo");

    appPath("TarvoConnect.exe", install("machine", "1.0"));
    EXPECT_EQ(DialerDiscovery::find(m_registry), m_dir.file("machine"));
}

TEST(DialerDiscoveryInWine, pathsMapThroughThePrefixAndThoseThatMapNowhereArePassedOver)
{
    WinePrefix prefix;
    const std::string home = prefix.makeFolder("Program Files/Tarvo Caf\xC3\xA9");
    prefix.dir().write("drive_c/Program Files/Tarvo Caf\xC3\xA9/config.ini", "[Profile]\r\nName=x\r\n");
    // The later candidate, on a drive the prefix lacks, would win on a tie.
    prefix.writeSystemReg(R"([Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\TarvoConnect.exe] 1796723476
#time=1dd86f9aabaa392
"Path"="c:\\program files\\TARVO CAF\xc9\\"

[Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\TarvoConnect2.exe] 1796723476
#time=1dd86f9aabaa392
"Path"="D:\\Tarvo"
)");
    prefix.writeUserReg(R"([Software\\Tarvo\\install] 1796723476
#time=1dd86f9aabaa392
"Path"="Z:\\opt\\tarvo"
)");
    const RegistryFile registry = WineRegistry::load(prefix.path()).registry;
    const WinePathMapper paths(prefix.path());
    EXPECT_EQ(DialerDiscovery::find(registry, &paths), home);
    EXPECT_EQ(DialerDiscovery::find(registry), "D:\\Tarvo") << "without the prefix a path is taken as it stands";

    std::filesystem::remove_all(prefix.dir().path() / "drive_c" / "Program Files");
    const std::string driveC = std::filesystem::canonical(prefix.dir().path() / "drive_c").string();
    EXPECT_EQ(DialerDiscovery::find(registry, &paths), driveC + "/program files/TARVO CAF\xC3\x89")
        << "a folder that is not there is still the candidate, as on Windows";
    std::filesystem::remove(prefix.dir().path() / "dosdevices" / "c:");
    EXPECT_EQ(DialerDiscovery::find(registry, &paths), "/opt/tarvo");
}
