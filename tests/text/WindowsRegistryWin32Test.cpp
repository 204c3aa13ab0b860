// The Windows registry as discovery reads it: both views of
// HKEY_LOCAL_MACHINE\SOFTWARE, where a 32-bit installer's keys differ from
// a 64-bit one's.
#include "text/WindowsRegistry.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>
#include <windows.h>

using namespace tarvo;

namespace {

void setPath(const std::wstring& key, REGSAM view, const wchar_t* value)
{
    HKEY handle = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE | view, nullptr, &handle,
                                nullptr),
              ERROR_SUCCESS);
    ::RegSetValueExW(handle, L"Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                     static_cast<DWORD>((std::wcslen(value) + 1) * sizeof(wchar_t)));
    ::RegCloseKey(handle);
}

void removeBothViews(const std::wstring& key)
{
    for (REGSAM view : {REGSAM{KEY_WOW64_64KEY}, REGSAM{KEY_WOW64_32KEY}}) {
        HKEY handle = nullptr;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_ALL_ACCESS | view, &handle) != ERROR_SUCCESS)
            continue;
        ::RegDeleteTreeW(handle, nullptr);
        ::RegCloseKey(handle);
        ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), view, 0);
    }
}

} // namespace

TEST(WindowsRegistry, bothViewsAreReadAndThe64BitViewWins)
{
    const std::wstring root = L"SOFTWARE\\TarvoViews" + std::to_wstring(::GetCurrentProcessId());
    setPath(root + L"\\Alpha", KEY_WOW64_64KEY, L"64 alpha");
    setPath(root + L"\\beta", KEY_WOW64_64KEY, L"64 beta");
    setPath(root + L"\\BETA", KEY_WOW64_32KEY, L"32 beta");
    setPath(root + L"\\Gamma", KEY_WOW64_32KEY, L"C:\\Tarvo Caf\u00e9");

    WindowsRegistry registry;
    const std::string key = "HKEY_LOCAL_MACHINE\\SOFTWARE\\TarvoViews" + std::to_string(::GetCurrentProcessId());
    std::vector<std::string> names;
    ASSERT_TRUE(registry.enumSubkeys(key, names));
    EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "beta", "Gamma"}));
    std::string value;
    EXPECT_TRUE(registry.readString(key + "\\BETA", "path", value));
    EXPECT_EQ(value, "64 beta");
    EXPECT_TRUE(registry.readString(key + "\\gamma", "Path", value));
    EXPECT_EQ(value, "C:\\Tarvo Caf\xC3\xA9") << "UTF-8, as every registry reader hands it out";
    EXPECT_FALSE(registry.readString(key + "\\Delta", "Path", value));
    EXPECT_FALSE(registry.enumSubkeys(key + "\\Delta", names));
    EXPECT_FALSE(registry.enumSubkeys("HKEY_NOWHERE\\SOFTWARE", names));

    removeBothViews(root);
}
