#include "app/DesktopRegistry.h"

#include "app/DialerDiscovery.h"
#include "fixtures/TempDir.h"
#include "fixtures/WinePrefix.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tarvo;
using tarvo::test::ScopedEnv;
using tarvo::test::TempDir;
using tarvo::test::WinePrefix;

TEST(DesktopRegistry, theWinePrefixIsReadOnlyWhenNoRegistryFileIsNamedOrAtTheDefault)
{
    TempDir config;
    WinePrefix prefix;
    const std::string tarvo = prefix.makeFolder("Tarvo");
    prefix.writeUserReg("[Software\\\\Tarvo\\\\install] 1796723476\n#time=1dd86f9aabaa392\n\"Path\"=\"C:\\\\Tarvo\"\n");
    DesktopRegistry::Location where{config.file("tarvo/registry.reg"), false, prefix.path()};
    auto dialerFound = [](const DesktopRegistry& desktop) {
        return DialerDiscovery::find(desktop.registry(), desktop.paths());
    };

    DesktopRegistry wine(where);
    ASSERT_TRUE(wine.load());
    EXPECT_EQ(wine.source(), prefix.path());
    EXPECT_EQ(dialerFound(wine), tarvo);

    where.fileNamed = true;
    DesktopRegistry named(where);
    ASSERT_TRUE(named.load()) << "a named file that is missing is an empty registry";
    EXPECT_EQ(named.paths(), nullptr);
    EXPECT_EQ(dialerFound(named), "");

    where.fileNamed = false;
    config.write("tarvo/registry.reg", "Windows Registry Editor Version 5.00\r\n\r\n"
                                       "[HKEY_CURRENT_USER\\Software\\Tarvo\\install]\r\n\"Path\"=\"/opt/tarvo\"\r\n");
    DesktopRegistry file(where);
    ASSERT_TRUE(file.load());
    EXPECT_EQ(file.source(), where.file);
    EXPECT_EQ(dialerFound(file), "/opt/tarvo");

    // A Wine file that is there but cannot be read is named, not taken for
    // an empty registry.
    std::filesystem::remove(where.file);
    std::filesystem::remove(prefix.dir().file("user.reg"));
    std::filesystem::create_directory(prefix.dir().file("user.reg"));
    DesktopRegistry broken(where);
    EXPECT_FALSE(broken.load());
    EXPECT_EQ(broken.source(), prefix.dir().file("user.reg"));
}
