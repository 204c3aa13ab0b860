#include "device/FolderRegistryStore.h"

#include "ceproto/CeWin32.h"
#include "ceproto/Utf16Le.h"
#include "support/AtomicFile.h"
#include "text/CodePage.h"

namespace tarvo {

FolderRegistryStore::FolderRegistryStore(std::string file) : m_path(std::move(file)), m_file(m_path) {}

void FolderRegistryStore::load()
{
    // The file itself is whole (it is replaced atomically); a writer killed
    // meanwhile left only its temporary file, unless it still writes.
    (void)AtomicFile::removeLeftovers(m_path);
    m_file = RegistryFile(m_path);
    (void)m_file.load();
    m_dirty = false;
}

bool FolderRegistryStore::pathOf(std::uint32_t parent, std::u16string_view subKey, std::string& path) const
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

bool FolderRegistryStore::refused(const std::string& path) const
{
    return !m_failKey.empty() && RegistryFile::sameName(path, std::string(kRoot) + "\\" + m_failKey);
}

DeviceError FolderRegistryStore::create(std::uint32_t parent, std::u16string_view subKey, std::uint32_t& key,
                                        bool& created)
{
    created = false;
    std::string path;
    if (!pathOf(parent, subKey, path))
        return ce::kErrorInvalidHandle;
    if (refused(path))
        return ce::kErrorAccessDenied;
    if (subKey.find(u'\0') != std::u16string_view::npos || !m_file.createKey(path, &created))
        return ce::kErrorInvalidParameter;
    m_dirty = m_dirty || created;
    key = ++m_lastKey;
    m_keys.emplace(key, std::move(path));
    return ce::kErrorSuccess;
}

DeviceError FolderRegistryStore::open(std::uint32_t parent, std::u16string_view subKey, std::uint32_t& key)
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

DeviceError FolderRegistryStore::set(std::uint32_t key, std::u16string_view name, std::uint32_t type,
                                     std::span<const std::uint8_t> data)
{
    auto it = m_keys.find(key);
    if (it == m_keys.end())
        return ce::kErrorInvalidHandle;
    const std::string valueName = CodePage::utf16ToUtf8(name);
    if (!m_failValue.empty() && RegistryFile::sameName(valueName, m_failValue))
        return ce::kErrorAccessDenied;
    if (type != ce::kRegSz || name.find(u'\0') != std::u16string_view::npos)
        return ce::kErrorInvalidParameter;
    // The stored text ends at its NUL.
    if (!m_file.setString(it->second, valueName, CodePage::utf16ToUtf8(Utf16Le::decode(data))))
        return ce::kErrorInvalidParameter;
    m_dirty = true;
    return ce::kErrorSuccess;
}

DeviceError FolderRegistryStore::query(std::uint32_t key, std::u16string_view name, std::uint32_t& type,
                                       std::vector<std::uint8_t>& data) const
{
    data.clear();
    auto it = m_keys.find(key);
    if (it == m_keys.end())
        return ce::kErrorInvalidHandle;
    std::string value;
    if (!m_file.readString(it->second, CodePage::utf16ToUtf8(name), value))
        return ce::kErrorFileNotFound;
    type = ce::kRegSz;
    data = Utf16Le::withNul(CodePage::utf8ToUtf16(value));
    return ce::kErrorSuccess;
}

DeviceError FolderRegistryStore::close(std::uint32_t key)
{
    if (m_keys.erase(key) == 0)
        return ce::kErrorInvalidHandle;
    // One atomic replace per key rather than per value keeps a
    // synchronization fast, and a failed save still reaches the caller.
    return flush() ? ce::kErrorSuccess : ce::kErrorWriteFault;
}

bool FolderRegistryStore::flush()
{
    if (!m_dirty)
        return true;
    if (!m_file.save())
        return false;
    m_dirty = false;
    return true;
}

} // namespace tarvo
