#include "text/WindowsRegistry.h"

#include "support/WideText.h"
#include "text/RegistryFile.h"

#include <windows.h>

#include <algorithm>

namespace tarvo {

namespace {

constexpr REGSAM kViews[] = {KEY_WOW64_64KEY, KEY_WOW64_32KEY};
// Key names are at most 255 characters; the room the enumeration gives.
constexpr DWORD kNameRoom = 256;

class Key final {
public:
    Key(std::string_view keyPath, REGSAM view)
    {
        const std::size_t slash = keyPath.find('\\');
        const std::string_view rootName = keyPath.substr(0, slash);
        HKEY root = nullptr;
        if (rootName == "HKEY_LOCAL_MACHINE" || rootName == "HKLM")
            root = HKEY_LOCAL_MACHINE;
        else if (rootName == "HKEY_CURRENT_USER" || rootName == "HKCU")
            root = HKEY_CURRENT_USER;
        if (root == nullptr)
            return;
        const std::wstring sub =
            slash == std::string_view::npos ? std::wstring() : utf8ToWide(keyPath.substr(slash + 1));
        if (::RegOpenKeyExW(root, sub.c_str(), 0, KEY_READ | view, &m_key) != ERROR_SUCCESS)
            m_key = nullptr;
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    ~Key()
    {
        if (m_key)
            ::RegCloseKey(m_key);
    }
    HKEY get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

} // namespace

bool WindowsRegistry::enumSubkeys(std::string_view keyPath, std::vector<std::string>& names) const
{
    names.clear();
    bool found = false;
    for (REGSAM view : kViews) {
        Key key(keyPath, view);
        if (!key.get())
            continue;
        found = true;
        for (DWORD index = 0;; ++index) {
            wchar_t name[kNameRoom];
            DWORD length = kNameRoom;
            if (::RegEnumKeyExW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            std::string utf8 = wideToUtf8(std::wstring_view(name, length));
            const bool known = std::any_of(names.begin(), names.end(),
                                           [&](const std::string& other) { return RegistryFile::sameName(other, utf8); });
            if (!known)
                names.push_back(std::move(utf8));
        }
    }
    std::stable_sort(names.begin(), names.end(),
                     [](const std::string& a, const std::string& b) { return RegistryFile::compareNames(a, b) < 0; });
    return found;
}

bool WindowsRegistry::readString(std::string_view keyPath, std::string_view name, std::string& value) const
{
    const std::wstring valueName = utf8ToWide(name);
    for (REGSAM view : kViews) {
        Key key(keyPath, view);
        if (!key.get())
            continue;
        DWORD type = 0;
        DWORD size = 0;
        if (::RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            continue;
        if (type != REG_SZ && type != REG_EXPAND_SZ)
            return false;
        std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
        DWORD got = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        if (::RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text.data()),
                               &got) != ERROR_SUCCESS)
            return false;
        // A string ends at its first NUL, stored or not.
        text.resize(std::min<std::size_t>(got / sizeof(wchar_t), text.size()));
        value = wideToUtf8(std::wstring_view(text).substr(0, text.find(L'\0')));
        return true;
    }
    return false;
}

} // namespace tarvo
