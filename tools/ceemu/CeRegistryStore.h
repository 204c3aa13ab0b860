#pragma once

#include "text/RegistryFile.h"

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo::ceemu {

// The emulated handheld's registry (HKEY_CURRENT_USER), kept in the
// root's `registry.reg` like the simulated handheld's. String values only.
// A key's changes reach the file when the key is closed and when the
// device goes (`flush`). Results are the platform's error codes.
class CeRegistryStore final {
public:
    explicit CeRegistryStore(std::string file);
    CeRegistryStore(const CeRegistryStore&) = delete;
    CeRegistryStore& operator=(const CeRegistryStore&) = delete;

    // Creating or opening this key (path below HKEY_CURRENT_USER, any case)
    // fails with "access denied".
    void failKey(std::string path) { m_failKey = std::move(path); }
    // Setting a value of this name (any key, any case) fails the same way.
    void failValue(std::string name) { m_failValue = std::move(name); }

    std::int32_t create(std::uint32_t parent, std::u16string_view subKey, std::uint32_t& key,
                        std::uint32_t& disposition);
    std::int32_t open(std::uint32_t parent, std::u16string_view subKey, std::uint32_t& key);
    std::int32_t set(std::uint32_t key, std::u16string_view name, std::uint32_t type,
                     std::span<const std::uint8_t> data);
    std::int32_t query(std::uint32_t key, std::u16string_view name, std::uint32_t& type,
                       std::vector<std::uint8_t>& data) const;
    std::int32_t close(std::uint32_t key);
    // Writes changes not yet saved; false when the file cannot be written.
    bool flush();

private:
    // The full path ("HKEY_CURRENT_USER\...") of a subkey of an open key.
    bool pathOf(std::uint32_t parent, std::u16string_view subKey, std::string& path) const;
    bool refused(const std::string& path) const;

    RegistryFile m_file;
    std::string m_failKey;
    std::string m_failValue;
    std::map<std::uint32_t, std::string> m_keys;
    std::uint32_t m_lastKey = 0x1000;
    bool m_dirty = false;
};

} // namespace tarvo::ceemu
