#include "app/DialerDiscovery.h"

#include "fixtures/TempDir.h"
#include "text/RegistryFile.h"

#include <gtest/gtest.h>

using namespace tarvo;
using tarvo::test::TempDir;

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
