// What the environment comes to on Windows, where the desktop's registry,
// code pages and telephony list are there to be asked.
#include "app/AppEnvironment.h"

#include <gtest/gtest.h>

#include <windows.h>

using namespace tarvo;

TEST(AppEnvironmentOnWindows, theDesktopAnswersWhatIsNotNamed)
{
    AppEnvironment plain =
        AppEnvironment::resolve({{"HOME", "C:\\users\\me"}, {"WINEPREFIX", "C:\\wine"}}, "C:\\w\\folder");
    EXPECT_EQ(plain.registryFile, "") << "the Windows registry itself";
    EXPECT_FALSE(plain.registryFileNamed);
    EXPECT_EQ(plain.winePrefix, "");
    EXPECT_EQ(plain.ansiCodePage, "CP" + std::to_string(::GetACP()));
    EXPECT_EQ(plain.oemCodePage, "CP" + std::to_string(::GetOEMCP()));
    EXPECT_FALSE(plain.countryListNamed) << "the telephony API answers first";
    EXPECT_EQ(plain.folder.path(WorkingFolder::kUpdateLog), "C:\\w\\folder\\log\\update.log");
    EXPECT_EQ(plain.folder.settingsPath("profile.ini"), "C:\\w\\folder\\profile.ini");
    EXPECT_EQ(plain.folder.settingsPath("\\tarvo\\profile.ini"), "\\tarvo\\profile.ini");

    AppEnvironment named = AppEnvironment::resolve({{"TARVO_REGISTRY", "C:\\tarvo.reg"},
                                                    {"TARVO_DEVICE", "D:\\handheld"},
                                                    {"TARVO_COUNTRY_LIST", "C:\\countries.csv"}},
                                                   "C:\\w");
    EXPECT_EQ(named.registryFile, "C:\\tarvo.reg");
    EXPECT_TRUE(named.registryFileNamed);
    EXPECT_EQ(named.deviceFolder, "D:\\handheld");
    EXPECT_TRUE(named.countryListNamed);
    EXPECT_FALSE(named.remoteApi);
    EXPECT_TRUE(plain.remoteApi) << "unnamed, the handheld is the remote API's";
    const AppEnvironment rapi = AppEnvironment::resolve({{"TARVO_DEVICE", "rapi:"}}, "C:\\w");
    EXPECT_EQ(rapi.deviceFolder, "") << "no hub on Windows: rapi: names no folder";
    EXPECT_TRUE(rapi.remoteApi);
}
