// Discovery in the desktop's own registry, one body for each platform's:
// the Wine prefix's files on Linux, the Windows registry on Windows.
#include "app/DesktopRegistry.h"
#include "app/DialerDiscovery.h"

#include "fixtures/DesktopRegistryKeys.h"
#include "fixtures/TempDir.h"

#include <gtest/gtest.h>

using namespace tarvo;

TEST(DesktopSystemRegistry, withoutARegistryFileTheDesktopsOwnRegistryNamesTheDialer)
{
    test::DesktopRegistryKeys desktop;
    const std::string cafe = desktop.makeDialer("Tarvo Caf\xC3\xA9", "9");
    desktop.makeDialer("Tarvo Ten", "10");
    desktop.addAppPath("TarvoConnect.exe", "Tarvo Caf\xC3\xA9");
    desktop.addAppPath("TARVOCONNECT2.EXE", "Tarvo Ten");

    test::TempDir config;
    DesktopRegistry registry({config.file("registry.reg"), false, desktop.winePrefix()});
    ASSERT_TRUE(registry.load());
    EXPECT_EQ(DialerDiscovery::find(registry.registry(), registry.paths()), cafe) << "\"9\" beats \"10\" as text";
}
