#include "app/DesktopRegistry.h"

#include "text/WineRegistry.h"

namespace tarvo {

bool DesktopRegistry::loadSystem()
{
    // No prefix to read: the file's place, empty as it is.
    if (m_location.winePrefix.empty()) {
        m_registry = RegistryFile(m_location.file);
        m_source = m_location.file;
        return m_registry.load();
    }
    WineRegistry::Loaded loaded = WineRegistry::load(m_location.winePrefix);
    m_registry = std::move(loaded.registry);
    m_paths.emplace(m_location.winePrefix);
    if (!loaded.unreadableFile.empty()) {
        m_source = std::move(loaded.unreadableFile);
        return false;
    }
    m_source = m_location.winePrefix;
    return true;
}

} // namespace tarvo
