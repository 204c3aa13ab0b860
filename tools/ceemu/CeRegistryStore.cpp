#include "ceemu/CeRegistryStore.h"

#include "ceproto/CeWin32.h"
#include "text/CodePage.h"

namespace tarvo::ceemu {

namespace {

constexpr std::string_view kRoot = "HKEY_CURRENT_USER";

} // namespace

CeRegistryStore::CeRegistryStore(std::string file) : m_file(std::move(file))
{
    (void)m_file.load();
}

bool CeRegistryStore::pathOf(std::uint32_t parent, std::u16string_view subKey, std::string& path) const
{
    if (parent == ce::kHkeyCurrentUser) {
        path = kRoot;
    } else {
        auto it = m_keys.find(parent);
        if (it == m_keys.end())
            return false;
        path = it->second;
    }
    if (!subKey.empty())
        path += "\\" + CodePage::utf16ToUtf8(subKey);
    return true;
}

bool CeRegistryStore::refused(const std::string& path) const
{
    return !m_failKey.empty() && RegistryFile::sameName(path, std::string(kRoot) + "\\" + m_failKey);
}

std::int32_t CeRegistryStore::create(std::uint32_t parent, std::u16string_view subKey, std::uint32_t& key,
                                     std::uint32_t& disposition)
{
    std::string path;
    if (!pathOf(parent, subKey, path))
        return ce::kErrorInvalidHandle;
    if (refused(path))
        return ce::kErrorAccessDenied;
    bool created = false;
    if (!m_file.createKey(path, &created))
        return ce::kErrorInvalidParameter;
    m_dirty = m_dirty || created;
    disposition = created ? ce::kRegCreatedNewKey : ce::kRegOpenedExistingKey;
    key = ++m_lastKey;
    m_keys.emplace(key, std::move(path));
    return ce::kErrorSuccess;
}

std::int32_t CeRegistryStore::open(std::uint32_t parent, std::u16string_view subKey, std::uint32_t& key)
{
    std::string path;
    if (!pathOf(parent, subKey, path))
        return ce::kErrorInvalidHandle;
    if (refused(path))
        return ce::kErrorAccessDenied;
    if (!m_file.keyExists(path))
        return ce::kErrorFileNotFound;
    key = ++m_lastKey;
    m_keys.emplace(key, std::move(path));
    return ce::kErrorSuccess;
}

std::int32_t CeRegistryStore::set(std::uint32_t key, std::u16string_view name, std::uint32_t type,
                                  std::span<const std::uint8_t> data)
{
    auto it = m_keys.find(key);
    if (it == m_keys.end())
        return ce::kErrorInvalidHandle;
    std::string valueName = CodePage::utf16ToUtf8(name);
    if (!m_failValue.empty() && RegistryFile::sameName(valueName, m_failValue))
        return ce::kErrorAccessDenied;
    if (type != ce::kRegSz)
        return ce::kErrorInvalidParameter;
    // The text ends at its NUL; an odd last byte is no character.
    std::u16string text;
    for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
        auto unit = static_cast<char16_t>(data[i] | data[i + 1] << 8);
        if (unit == 0)
            break;
        text.push_back(unit);
    }
    if (!m_file.setString(it->second, valueName, CodePage::utf16ToUtf8(text)))
        return ce::kErrorInvalidParameter;
    m_dirty = true;
    return ce::kErrorSuccess;
}

std::int32_t CeRegistryStore::query(std::uint32_t key, std::u16string_view name, std::uint32_t& type,
                                    std::vector<std::uint8_t>& data) const
{
    auto it = m_keys.find(key);
    if (it == m_keys.end())
        return ce::kErrorInvalidHandle;
    std::string value;
    if (!m_file.readString(it->second, CodePage::utf16ToUtf8(name), value))
        return ce::kErrorFileNotFound;
    type = ce::kRegSz;
    data.clear();
    for (char16_t unit : CodePage::utf8ToUtf16(value)) {
        data.push_back(static_cast<std::uint8_t>(unit));
        data.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    data.push_back(0);
    data.push_back(0);
    return ce::kErrorSuccess;
}

std::int32_t CeRegistryStore::close(std::uint32_t key)
{
    if (m_keys.erase(key) == 0)
        return ce::kErrorInvalidHandle;
    return flush() ? ce::kErrorSuccess : ce::kErrorGenFailure;
}

bool CeRegistryStore::flush()
{
    if (!m_dirty)
        return true;
    if (!m_file.save())
        return false;
    m_dirty = false;
    return true;
}

} // namespace tarvo::ceemu
