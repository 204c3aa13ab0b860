#pragma once

#include "text/RegistryFile.h"
#include "text/WinePathMapper.h"

#include <memory>
#include <optional>
#include <string>

namespace tarvo {

// The desktop registry that dialer discovery reads: the `.reg` file when
// one is named or lies at its place; otherwise the desktop's own registry,
// which on Linux is the registry of the user's Wine prefix (whose Windows
// paths then map through the prefix) and on Windows the registry itself.
class DesktopRegistry final {
public:
    struct Location {
        std::string file;       // the `.reg` file; empty: none
        bool fileNamed = false; // named by the user: read even when missing
        std::string winePrefix; // Linux: the prefix read when there is no file
    };

    explicit DesktopRegistry(Location location);
    DesktopRegistry(const DesktopRegistry&) = delete;
    DesktopRegistry& operator=(const DesktopRegistry&) = delete;
    ~DesktopRegistry();

    // Reads the registry. False when a file is there but cannot be read;
    // `source` then names it and the registry is empty.
    [[nodiscard]] bool load();

    const RegistryReader& registry() const
    {
        if (m_system)
            return *m_system;
        return m_registry;
    }
    // How its "Path" values map to folders here; null for a registry whose
    // values are folders as they stand.
    const WinePathMapper* paths() const { return m_paths ? &*m_paths : nullptr; }
    // The file read (or the Wine prefix, or the desktop's registry), or the
    // file that could not be.
    const std::string& source() const { return m_source; }

private:
    // The platform's part (DesktopRegistryPosix.cpp, DesktopRegistryWin32.cpp):
    // reads the desktop's own registry.
    bool loadSystem();

    Location m_location;
    RegistryFile m_registry;
    std::unique_ptr<RegistryReader> m_system; // the Windows registry, when read
    std::optional<WinePathMapper> m_paths;
    std::string m_source;
};

} // namespace tarvo
