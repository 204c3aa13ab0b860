#include "app/AppEnvironment.h"

#include "dialing/CountryQuery.h"
#include "fixtures/TempDir.h"

#include <gtest/gtest.h>

using namespace tarvo;
using tarvo::test::TempDir;

TEST(AppEnvironment, everyVariableHasItsDefaultAndAnEmptyOneCountsAsUnset)
{
    AppEnvironment plain = AppEnvironment::resolve(
        {{"TARVO_REGISTRY", ""}, {"XDG_CONFIG_HOME", "/cfg"}, {"HOME", "/home/me"}, {"WINEPREFIX", ""}}, "/w/folder");
    EXPECT_EQ(plain.folder.root(), "/w/folder");
    EXPECT_EQ(plain.registryFile, "/cfg/tarvo/registry.reg");
    EXPECT_FALSE(plain.registryFileNamed);
    EXPECT_EQ(plain.winePrefix, "/home/me/.wine");
    EXPECT_EQ(plain.deviceFolder, "") << "no handheld";
    EXPECT_TRUE(plain.countryListFile.ends_with(CountryQuery::kDataFileName));
    EXPECT_EQ(plain.ansiCodePage, "WINDOWS-1252");
    EXPECT_EQ(plain.oemCodePage, "IBM437");
    EXPECT_EQ(AppEnvironment::resolve({{"HOME", "/home/me"}}, "/w").registryFile, "/home/me/.config/tarvo/registry.reg");

    AppEnvironment named = AppEnvironment::resolve({{"TARVO_REGISTRY", "/etc/tarvo.reg"},
                                                    {"WINEPREFIX", "/srv/wine"},
                                                    {"TARVO_DEVICE", "/media/handheld"},
                                                    {"TARVO_COUNTRY_LIST", "/data/countries.csv"},
                                                    {"TARVO_ANSI_CODEPAGE", "WINDOWS-1250"},
                                                    {"TARVO_OEM_CODEPAGE", "IBM852"}},
                                                   "relative");
    EXPECT_EQ(named.registryFile, "/etc/tarvo.reg");
    EXPECT_TRUE(named.registryFileNamed);
    EXPECT_EQ(named.winePrefix, "/srv/wine");
    EXPECT_EQ(named.deviceFolder, "/media/handheld");
    EXPECT_EQ(named.countryListFile, "/data/countries.csv");
    EXPECT_EQ(named.ansiCodePage, "WINDOWS-1250");
    EXPECT_EQ(named.oemCodePage, "IBM852");
    EXPECT_TRUE(named.folder.root().is_absolute()) << "the working folder is made absolute once";
    EXPECT_EQ(named.folder.path(WorkingFolder::kUpdateLog), (named.folder.root() / "log/update.log").string());
    EXPECT_EQ(named.folder.settingsPath("/abs/synconfig.ini"), "/abs/synconfig.ini");
    EXPECT_EQ(named.folder.settingsPath("c:x.ini"), "c:x.ini");
}

TEST(AppEnvironment, rapiNamesARealHandheldThroughTheHubsSocket)
{
    AppEnvironment named = AppEnvironment::resolve({{"TARVO_DEVICE", "rapi:/x/hub.sock"}}, "/w");
    EXPECT_EQ(named.hubSocket, "/x/hub.sock");
    EXPECT_EQ(named.deviceFolder, "");

    // "rapi:" alone: this session's hub when it runs, else the system service's.
    TempDir runtime;
    AppEnvironment::Variables variables{{"TARVO_DEVICE", "rapi:"}, {"XDG_RUNTIME_DIR", runtime.path().string()}};
    EXPECT_EQ(AppEnvironment::resolve(variables, "/w").hubSocket, "/run/tarvo-cehub/socket");
    runtime.write("tarvo-cehub.sock", "");
    EXPECT_EQ(AppEnvironment::resolve(variables, "/w").hubSocket, runtime.file("tarvo-cehub.sock"));
}
