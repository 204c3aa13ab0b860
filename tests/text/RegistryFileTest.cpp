#include "text/RegistryFile.h"

#include "fixtures/Fifo.h"
#include "fixtures/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

using namespace tarvo;
using tarvo::test::TempDir;

namespace {

constexpr const char* kAppPaths = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";

std::vector<std::string> subkeys(const RegistryFile& reg, std::string_view key)
{
    std::vector<std::string> names;
    EXPECT_TRUE(reg.enumSubkeys(key, names)) << key;
    return names;
}

} // namespace

TEST(RegistryFile, stringsWithBackslashesAndQuotesSurviveSaveAndLoad)
{
    TempDir dir;
    RegistryFile reg(dir.file("registry.reg"));
    ASSERT_TRUE(reg.createKey("HKEY_CURRENT_USER\\Software\\Tarvo\\install"));
    const std::string tricky = "C:\\Program Files\\\"Tarvo\"\\ x=\"y\" \\";
    ASSERT_TRUE(reg.setString("HKEY_CURRENT_USER\\Software\\Tarvo\\install", "Path", tricky));
    ASSERT_TRUE(reg.setString("HKEY_CURRENT_USER\\Software\\Tarvo\\install", "Na\"me\\", "caf\xC3\xA9"));
    ASSERT_TRUE(reg.save());

    std::string text = dir.read("registry.reg");
    EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00\r\n\r\n", 0), 0u);
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Tarvo\\install]\r\n"), std::string::npos);
    EXPECT_NE(text.find("\"Path\"=\"C:\\\\Program Files\\\\\\\"Tarvo\\\"\\\\ x=\\\"y\\\" \\\\\"\r\n"), std::string::npos);

    RegistryFile back(dir.file("registry.reg"));
    ASSERT_TRUE(back.load());
    std::string value;
    ASSERT_TRUE(back.readString("HKEY_CURRENT_USER\\Software\\Tarvo\\install", "Path", value));
    EXPECT_EQ(value, tricky);
    ASSERT_TRUE(back.readString("HKEY_CURRENT_USER\\Software\\Tarvo\\install", "na\"ME\\", value));
    EXPECT_EQ(value, "caf\xC3\xA9");
    EXPECT_EQ(back.serialize(), text);
}

TEST(RegistryFile, namesMatchIgnoringCaseAndKeepTheirSpelling)
{
    RegistryFile reg;
    reg.parse("Windows Registry Editor Version 5.00\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\TarvoConnect.exe]\r\n"
              "\"Path\"=\"/opt/tarvo/dialer\"\r\n\r\n"
              "[hkey_local_machine\\software\\microsoft\\windows\\currentversion\\app paths\\TARVOCONNECT.EXE]\r\n"
              "\"PATH\"=\"/opt/other\"\r\n"
              "\"Extra\"=\"x\"\r\n");
    std::string value;
    ASSERT_TRUE(reg.readString(std::string(kAppPaths) + "\\tarvoconnect.EXE", "path", value));
    EXPECT_EQ(value, "/opt/other");
    EXPECT_EQ(subkeys(reg, "Hkey_Local_Machine\\Software\\Microsoft\\Windows\\CurrentVersion\\APP PATHS"),
              std::vector<std::string>{"TarvoConnect.exe"});
    // The value was replaced, not added under a second spelling.
    EXPECT_NE(reg.serialize().find("\"Path\"=\"/opt/other\"\r\n\"Extra\"=\"x\"\r\n"), std::string::npos);
    EXPECT_EQ(reg.serialize().find("PATH"), std::string::npos);
}

TEST(RegistryFile, subkeysEnumerateAscendingIgnoringCase)
{
    RegistryFile reg;
    for (const char* name : {"zeta", "TARVOCONNECT2.EXE", "beta", "TarvoConnect.exe", "Alpha"})
        ASSERT_TRUE(reg.createKey(std::string(kAppPaths) + "\\" + name));
    const std::vector<std::string> expected{"Alpha", "beta", "TarvoConnect.exe", "TARVOCONNECT2.EXE", "zeta"};
    EXPECT_EQ(subkeys(reg, kAppPaths), expected);

    RegistryFile back;
    back.parse(reg.serialize());
    EXPECT_EQ(subkeys(back, kAppPaths), expected);

    // Names are compared upper-cased: '_' sorts after the letters.
    RegistryFile order;
    for (const char* name : {"a_b", "AAB", "\xC3\xA9t\xC3\xA9", "Zulu", "\xC3\x89T\xC3\x89Z"})
        ASSERT_TRUE(order.createKey(std::string("HKEY_CURRENT_USER\\") + name));
    EXPECT_EQ(subkeys(order, "HKEY_CURRENT_USER"),
              (std::vector<std::string>{"AAB", "a_b", "Zulu", "\xC3\xA9t\xC3\xA9", "\xC3\x89T\xC3\x89Z"}));
    EXPECT_TRUE(order.keyExists("hkey_current_user\\\xC3\x89T\xC3\x89"));
}

TEST(RegistryFile, missingFileIsEmptyAndUnreadableFileIsAnError)
{
    TempDir dir;
    RegistryFile missing(dir.file("nothing/registry.reg"));
    EXPECT_TRUE(missing.load());
    EXPECT_FALSE(missing.keyExists("HKEY_CURRENT_USER"));
    std::vector<std::string> names{"stale"};
    EXPECT_FALSE(missing.enumSubkeys("HKEY_CURRENT_USER", names));
    EXPECT_TRUE(names.empty());

    std::filesystem::create_directory(dir.path() / "folder.reg");
    RegistryFile folder(dir.file("folder.reg"));
    EXPECT_FALSE(folder.load());

    // A device that never ends, a pipe nobody writes to, and a file far
    // past any registry's size: each an error at once, none read.
    ASSERT_TRUE(test::makeFifo(dir.file("pipe.reg")));
    dir.write("huge.reg", "Windows Registry Editor Version 5.00\r\n");
    std::filesystem::resize_file(dir.file("huge.reg"), RegistryFile::kMaxFileBytes + 1);
    for (const std::string& path : {std::string("/dev/zero"), dir.file("pipe.reg"), dir.file("huge.reg")}) {
        RegistryFile device(path);
        EXPECT_FALSE(device.load()) << path;
    }
}

TEST(RegistryFile, invalidPathsAndNamesAreRefused)
{
    RegistryFile reg;
    EXPECT_FALSE(reg.createKey(""));
    EXPECT_FALSE(reg.createKey("HKEY_CURRENT_USER\\\\Software"));
    EXPECT_FALSE(reg.createKey("\\HKEY_CURRENT_USER"));
    EXPECT_FALSE(reg.createKey("HKEY_CURRENT_USER\\Soft\tware"));
    EXPECT_FALSE(reg.createKey("HKEY_CURRENT_USER\\" + std::string(256, 'k')));
    EXPECT_TRUE(reg.createKey("HKEY_CURRENT_USER\\" + std::string(255, 'k')));
    std::string deep = "HKEY_CURRENT_USER";
    for (std::size_t i = 1; i < RegistryFile::kMaxKeyDepth; ++i)
        deep += "\\k";
    EXPECT_TRUE(reg.createKey(deep));
    EXPECT_FALSE(reg.createKey(deep + "\\k"));

    EXPECT_FALSE(reg.setString("HKEY_CURRENT_USER\\Missing", "Name", "v"));
    EXPECT_FALSE(reg.setString("HKEY_CURRENT_USER", "Two\nLines", "v"));
    bool created = true;
    EXPECT_TRUE(reg.createKey("hkey_current_user", &created));
    EXPECT_FALSE(created);
}

TEST(RegistryFile, valuesWithLineBreaksAndOtherTypesSurviveRewriting)
{
    RegistryFile reg;
    reg.parse("\xEF\xBB\xBFWindows Registry Editor Version 5.00\n\n"
              "; a comment\n"
              "[HKEY_CURRENT_USER\\Keep]\n"
              "\"Count\"=dword:0000002a\n"
              "\"Blob\"=hex:01,02,\\\n"
              "  03,04\n"
              "@=\"default\"\n"
              "[-HKEY_CURRENT_USER\\Gone]\n"
              "\"Lost\"=\"x\"\n");
    ASSERT_TRUE(reg.setString("HKEY_CURRENT_USER\\Keep", "Multi", "one\r\ntwo"));
    std::string text = reg.serialize();
    EXPECT_NE(text.find("\"Count\"=dword:0000002a\r\n\"Blob\"=hex:01,02,03,04\r\n@=\"default\"\r\n"), std::string::npos);
    EXPECT_NE(text.find("\"Multi\"=hex(1):6f,00,6e,00,65,00,0d,00,0a,00,74,00,77,00,6f,00,00,00\r\n"),
              std::string::npos);
    EXPECT_FALSE(reg.keyExists("HKEY_CURRENT_USER\\Gone"));

    RegistryFile back;
    back.parse(text);
    std::string value;
    ASSERT_TRUE(back.readString("HKEY_CURRENT_USER\\Keep", "Multi", value));
    EXPECT_EQ(value, "one\r\ntwo");
    ASSERT_TRUE(back.readString("HKEY_CURRENT_USER\\Keep", "", value));
    EXPECT_EQ(value, "default");
    EXPECT_FALSE(back.readString("HKEY_CURRENT_USER\\Keep", "Count", value));
    EXPECT_EQ(back.serialize(), text);
}

TEST(RegistryFile, utf16FileFromTheRegistryEditorIsRead)
{
    std::u16string text = u"\uFEFFWindows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Caf\u00E9]\r\n"
                          u"\"Path\"=\"/home/\u00E9\"\r\n";
    std::string raw;
    for (char16_t unit : text) {
        raw.push_back(static_cast<char>(unit & 0xFF));
        raw.push_back(static_cast<char>(unit >> 8));
    }
    RegistryFile reg;
    reg.parse(raw);
    std::string value;
    ASSERT_TRUE(reg.readString("HKEY_CURRENT_USER\\CAF\xC3\x89", "path", value));
    EXPECT_EQ(value, "/home/\xC3\xA9");
}

// Found by fuzzing: dropping a dangling continuation backslash left a blank
// before another backslash, which the next reading took as a continuation.
TEST(RegistryFile, danglingContinuationsReadTheSameAfterRewriting)
{
    RegistryFile reg;
    reg.parse("[HKEY_CURRENT_USER\\Kee`]\n@=\x82.\"default \\\"qefap\\ \\");
    std::string first = reg.serialize();
    EXPECT_NE(first.find("@=\x82.\"default \\\"qefap\r\n"), std::string::npos);
    RegistryFile again;
    again.parse(first);
    EXPECT_EQ(again.serialize(), first);

    // A lone backslash continued into a quoted line.
    reg.parse("[HKEY_CURRENT_USER\\A]\r\n\"Path\"=\\\r\n\"Path\"=\"/home/me\"\r\n");
    std::string value;
    EXPECT_FALSE(reg.readString("HKEY_CURRENT_USER\\A", "Path", value));
    again.parse(reg.serialize());
    EXPECT_EQ(again.serialize(), reg.serialize());
}

TEST(RegistryFile, manyValuesOfOneKeyKeepTheirOrderAndFoldBeyondAscii)
{
    std::string text = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Big]\r\n";
    for (int i = 0; i < 3000; ++i)
        text += "\"Value" + std::to_string(i) + "\"=\"" + std::to_string(i) + "\"\r\n";
    // Set again further down under other spellings: replaced in place.
    text += "\"VALUE7\"=\"seven\"\r\n\"Caf\xC3\xA9\"=\"a\"\r\n\"CAF\xC3\x89\"=\"b\"\r\n";
    RegistryFile reg;
    reg.parse(text);
    std::string value;
    ASSERT_TRUE(reg.readString("HKEY_CURRENT_USER\\Big", "value7", value));
    EXPECT_EQ(value, "seven");
    ASSERT_TRUE(reg.readString("HKEY_CURRENT_USER\\Big", "value2999", value));
    EXPECT_EQ(value, "2999");
    ASSERT_TRUE(reg.readString("HKEY_CURRENT_USER\\Big", "caf\xC3\xA9", value));
    EXPECT_EQ(value, "b");
    EXPECT_FALSE(reg.readString("HKEY_CURRENT_USER\\Big", "Value3000", value));

    ASSERT_TRUE(reg.setString("HKEY_CURRENT_USER\\Big", "vAlUe0", "zero"));
    ASSERT_TRUE(reg.setString("HKEY_CURRENT_USER\\Big", "New", "last"));
    const std::string out = reg.serialize();
    EXPECT_NE(out.find("[HKEY_CURRENT_USER\\Big]\r\n\"Value0\"=\"zero\"\r\n\"Value1\"=\"1\"\r\n"), std::string::npos);
    EXPECT_NE(out.find("\"Value7\"=\"seven\"\r\n\"Value8\"=\"8\"\r\n"), std::string::npos);
    EXPECT_NE(out.find("\"Value2999\"=\"2999\"\r\n\"Caf\xC3\xA9\"=\"b\"\r\n\"New\"=\"last\"\r\n"), std::string::npos);

    // A copy keeps its own index.
    RegistryFile copy = reg;
    ASSERT_TRUE(copy.setString("HKEY_CURRENT_USER\\Big", "VALUE1", "one"));
    ASSERT_TRUE(reg.readString("HKEY_CURRENT_USER\\Big", "Value1", value));
    EXPECT_EQ(value, "1");
    ASSERT_TRUE(copy.readString("HKEY_CURRENT_USER\\Big", "Value1", value));
    EXPECT_EQ(value, "one");
}
