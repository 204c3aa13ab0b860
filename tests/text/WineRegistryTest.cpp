#include "text/WineRegistry.h"

#include "fixtures/Fifo.h"
#include "fixtures/WinePrefix.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

using namespace tarvo;
using tarvo::test::WinePrefix;

namespace {

constexpr const char* kAppPaths = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";

// Keys as Wine 8 writes them, with each kind of value it writes.
// Out of Wine's order here, and with one key twice, the later one winning.
constexpr const char* kMachineKeys = R"([Software\\Tarvo\\Sub\[1\]] 1796723476
#time=1dd86f9aabaa392
"Na\"me"="x"

[Software\\Tarvo\\Broken 1796723476
"Path"="C:\\wrong"

[Software\\Tarvo\\Bad\001Name] 1796723476
"Path"="C:\\wrong"

[Software\\Microsoft\\Windows\\CurrentVersion\\App Paths] 1796723476
#time=1dd86f9aabaa392

[Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\iexplore.exe] 1796723476
#time=1dd86f9aabaa392
@=str(2):"C:\\Program Files\\Internet Explorer\\iexplore.exe"
"Path"=str(2):"C:\\Program Files\\Internet Explorer;"

[Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\TarvoConnect.exe] 1796723476
#time=1dd86f9aabaa392
"Blob"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\
  16,17,18,19
"Count"=dword:00000010
"Multi"=str(7):"one\0two\0"
"Odd"="tab\there \"quoted\" \x00e9a \xd83d\xde00 \101\0cut"
"Path"="C:\\Program Files\\Tarvo Caf\xe9"
"Wide"=hex(1):43,00,3a,00,5c,00,e9,00,\
  00,00

[Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\TARVOCONNECT2.EXE] 1796723476
#time=1dd86f9aabaa392
"Path"=hex(2):43,00,3a,00,5c,00,54,00,32,00,00,00

[software\\microsoft\\windows\\currentversion\\app paths\\tarvoconnect2.exe] 1796723476
"Path"="C:\\T3"
)";

std::string stringOf(const RegistryFile& reg, const std::string& key, const char* name)
{
    std::string value;
    return reg.readString(key, name, value) ? value : "<none>";
}

} // namespace

TEST(WineRegistry, keysAndStringsReadAsWineWritesThem)
{
    RegistryFile reg;
    const std::string text = std::string(WinePrefix::kMachineHeader) + kMachineKeys;
    ASSERT_TRUE(WineRegistry::parse(text, "HKEY_LOCAL_MACHINE", reg));

    std::vector<std::string> names;
    ASSERT_TRUE(reg.enumSubkeys(kAppPaths, names));
    EXPECT_EQ(names, (std::vector<std::string>{"iexplore.exe", "TarvoConnect.exe", "TARVOCONNECT2.EXE"}));

    const std::string tarvo = std::string(kAppPaths) + "\\tarvoconnect.EXE";
    EXPECT_EQ(stringOf(reg, tarvo, "PATH"), "C:\\Program Files\\Tarvo Caf\xC3\xA9");
    EXPECT_EQ(stringOf(reg, tarvo, "Odd"), "tab\there \"quoted\" \xC3\xA9" "a \xF0\x9F\x98\x80 A");
    EXPECT_EQ(stringOf(reg, tarvo, "Multi"), "one");
    EXPECT_EQ(stringOf(reg, tarvo, "Wide"), "C:\\\xC3\xA9");
    EXPECT_EQ(stringOf(reg, tarvo, "Count"), "<none>");
    EXPECT_EQ(stringOf(reg, tarvo, "Blob"), "<none>");
    EXPECT_EQ(stringOf(reg, std::string(kAppPaths) + "\\TARVOCONNECT2.EXE", "Path"), "C:\\T3");
    EXPECT_EQ(stringOf(reg, std::string(kAppPaths) + "\\iexplore.exe", ""),
              "C:\\Program Files\\Internet Explorer\\iexplore.exe");
    EXPECT_EQ(stringOf(reg, "HKEY_LOCAL_MACHINE\\Software\\Tarvo\\Sub[1]", "na\"ME"), "x");

    // Values under a key header that could not be read go nowhere, not to
    // the key before it.
    EXPECT_EQ(stringOf(reg, "HKEY_LOCAL_MACHINE\\Software\\Tarvo\\Sub[1]", "Path"), "<none>");
    ASSERT_TRUE(reg.enumSubkeys("HKEY_LOCAL_MACHINE\\Software\\Tarvo", names));
    EXPECT_EQ(names, std::vector<std::string>{"Sub[1]"});

    // Without Wine's header the file is not Wine's: Wine loads none of it.
    // One entry more than the limit is none of it either: 7 keys and 12
    // values (of every type) read, or many values under one key.
    RegistryFile other;
    EXPECT_TRUE(WineRegistry::parse(std::string("WINE REGISTRY Version 1\n") + kMachineKeys, "HKEY_LOCAL_MACHINE", other));
    EXPECT_FALSE(other.keyExists("HKEY_LOCAL_MACHINE"));
    EXPECT_FALSE(WineRegistry::parse(text, "HKEY_LOCAL_MACHINE", other, 18));
    EXPECT_FALSE(other.keyExists("HKEY_LOCAL_MACHINE"));
    std::string values = "WINE REGISTRY Version 2\n[K] 1\n";
    for (int i = 0; i < 20; ++i)
        values += "\"v" + std::to_string(i) + "\"=dword:00000001\n";
    EXPECT_FALSE(WineRegistry::parse(values, "HKEY_LOCAL_MACHINE", other, 20));
    EXPECT_FALSE(other.keyExists("HKEY_LOCAL_MACHINE"));
    EXPECT_TRUE(WineRegistry::parse(text, "HKEY_LOCAL_MACHINE", other, 19));
}

TEST(WineRegistry, prefixFilesLandUnderTheirRootsAndOnlyRegularFilesOfBoundedSizeAreRead)
{
    WinePrefix prefix;
    prefix.writeSystemReg(kMachineKeys);
    prefix.writeUserReg("[Software\\\\Tarvo\\\\install] 1796723476\n#time=1dd86f9aabaa392\n"
                        "\"Path\"=\"c:\\\\users\\\\me\\\\tarvo\"\n");
    WineRegistry::Loaded loaded = WineRegistry::load(prefix.path());
    EXPECT_EQ(loaded.unreadableFile, "");
    EXPECT_EQ(stringOf(loaded.registry, "HKEY_CURRENT_USER\\Software\\Tarvo\\install", "Path"),
              "c:\\users\\me\\tarvo");
    EXPECT_EQ(stringOf(loaded.registry, std::string(kAppPaths) + "\\TarvoConnect.exe", "Path"),
              "C:\\Program Files\\Tarvo Caf\xC3\xA9");
    EXPECT_FALSE(loaded.registry.keyExists("HKEY_CURRENT_USER\\Software\\Microsoft"));

    // A file one byte over the limit is not read.
    const auto machineSize = std::filesystem::file_size(prefix.dir().file("system.reg"));
    ASSERT_GT(machineSize, std::filesystem::file_size(prefix.dir().file("user.reg")));
    EXPECT_EQ(WineRegistry::load(prefix.path(), machineSize - 1).unreadableFile, prefix.dir().file("system.reg"));
    EXPECT_EQ(WineRegistry::load(prefix.path(), machineSize).unreadableFile, "");

    // A FIFO would block the reader: it is refused without a read, and
    // what the other file held is not kept either.
    std::filesystem::remove(prefix.dir().file("user.reg"));
    ASSERT_TRUE(test::makeFifo(prefix.dir().file("user.reg")));
    loaded = WineRegistry::load(prefix.path());
    EXPECT_EQ(loaded.unreadableFile, prefix.dir().file("user.reg"));
    EXPECT_FALSE(loaded.registry.keyExists("HKEY_LOCAL_MACHINE"));

    // No prefix at all is an empty registry.
    loaded = WineRegistry::load(prefix.dir().file("missing"));
    EXPECT_EQ(loaded.unreadableFile, "");
    EXPECT_FALSE(loaded.registry.keyExists("HKEY_LOCAL_MACHINE"));
}
