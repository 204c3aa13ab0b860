#include "app/DesktopRegistry.h"

#include "text/WineRegistry.h"

#include <cerrno>
#include <sys/stat.h>
#include <utility>

namespace tarvo {

namespace {

// As the `.reg` reader sees it: a dangling link is no file, a file behind a
// folder that may not be searched is one it cannot read.
bool fileIsThere(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 || (errno != ENOENT && errno != ENOTDIR);
}

} // namespace

DesktopRegistry::DesktopRegistry(Location location) : m_location(std::move(location)) {}

bool DesktopRegistry::load()
{
    m_paths.reset();
    // Only a file that is not there at all gives way to the prefix; one that
    // is there but cannot be read is reported as such.
    if (m_location.fileNamed || m_location.winePrefix.empty() || fileIsThere(m_location.file)) {
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
