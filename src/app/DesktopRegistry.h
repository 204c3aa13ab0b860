#pragma once

#include "text/RegistryFile.h"
#include "text/WinePathMapper.h"

#include <optional>
#include <string>

namespace tarvo {

// The desktop registry that dialer discovery reads: the `.reg` file, or,
// when no file is named and none lies at the default place, the registry of
// the user's Wine prefix, whose Windows paths then map through the prefix.
class DesktopRegistry final {
public:
    struct Location {
        std::string file;       // the `.reg` file
        bool fileNamed = false; // named by the user: read even when missing
        std::string winePrefix; // read when the file is not named and not there
    };

    explicit DesktopRegistry(Location location);

    // Reads the registry. False when a file is there but cannot be read;
    // `source` then names it and the registry is empty.
    [[nodiscard]] bool load();

    const RegistryFile& registry() const { return m_registry; }
    // How its "Path" values map to folders here; null for the `.reg` file,
    // whose values are folders as they stand.
    const WinePathMapper* paths() const { return m_paths ? &*m_paths : nullptr; }
    // The file read (or the Wine prefix), or the file that could not be.
    const std::string& source() const { return m_source; }

private:
    Location m_location;
    RegistryFile m_registry;
    std::optional<WinePathMapper> m_paths;
    std::string m_source;
};

} // namespace tarvo
