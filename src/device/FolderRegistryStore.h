#pragma once

#include "device/DeviceTransport.h"
#include "text/RegistryFile.h"

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo {

// A handheld's registry (HKEY_CURRENT_USER) kept in a `.reg` file, as the
// simulated handheld (FolderDevice) and the emulated one (tarvo-ceemu) both
// keep it: string values only. A key's changes reach the file (replaced
// atomically) when the key is closed and at `flush`. Results are the
// device's error codes.
class FolderRegistryStore final {
public:
    static constexpr std::string_view kRoot = "HKEY_CURRENT_USER";

    explicit FolderRegistryStore(std::string file);
    FolderRegistryStore(const FolderRegistryStore&) = delete;
    FolderRegistryStore& operator=(const FolderRegistryStore&) = delete;

    // Reads the file again (a missing or unreadable one is an empty
    // registry) and removes what a writer killed while it saved left.
    void load();

    // Creating or opening this key (path below HKEY_CURRENT_USER, any case)
    // fails with "access denied"; so does setting a value of this name.
    void failKey(std::string path) { m_failKey = std::move(path); }
    void failValue(std::string name) { m_failValue = std::move(name); }

    // `parent`: HKEY_CURRENT_USER or a key open here.
    DeviceError create(std::uint32_t parent, std::u16string_view subKey, std::uint32_t& key, bool& created);
    DeviceError open(std::uint32_t parent, std::u16string_view subKey, std::uint32_t& key);
    DeviceError set(std::uint32_t key, std::u16string_view name, std::uint32_t type, std::span<const std::uint8_t> data);
    // The value's data: UTF-16LE text and its NUL.
    DeviceError query(std::uint32_t key, std::u16string_view name, std::uint32_t& type,
                      std::vector<std::uint8_t>& data) const;
    DeviceError close(std::uint32_t key);
    // Forgets every open key (what a device does when its connection goes).
    void closeAll() { m_keys.clear(); }
    std::size_t openKeys() const { return m_keys.size(); }
    // Writes changes not yet saved; false when the file cannot be written.
    bool flush();

private:
    // The full path ("HKEY_CURRENT_USER\...") of a subkey of an open key.
    bool pathOf(std::uint32_t parent, std::u16string_view subKey, std::string& path) const;
    bool refused(const std::string& path) const;

    std::string m_path;
    RegistryFile m_file;
    std::string m_failKey;
    std::string m_failValue;
    std::map<std::uint32_t, std::string> m_keys;
    std::uint32_t m_lastKey = 0x1000;
    bool m_dirty = false;
};

} // namespace tarvo
