#include "app/DesktopRegistry.h"

#include "support/FileInfo.h"

#include <utility>

namespace tarvo {

DesktopRegistry::DesktopRegistry(Location location) : m_location(std::move(location)) {}

DesktopRegistry::~DesktopRegistry() = default;

bool DesktopRegistry::load()
{
    m_paths.reset();
    m_system.reset();
    // Only a file that is not there at all gives way to the desktop's own
    // registry; one that is there but cannot be read is reported as such.
    // (As the `.reg` reader sees it: a dangling link is no file, a file
    // behind a folder that may not be searched is one it cannot read.)
    if (m_location.fileNamed || (!m_location.file.empty() && fileInfo(m_location.file).exists())) {
        m_registry = RegistryFile(m_location.file);
        m_source = m_location.file;
        return m_registry.load();
    }
    return loadSystem();
}

} // namespace tarvo
