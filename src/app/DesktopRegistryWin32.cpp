#include "app/DesktopRegistry.h"

#include "text/WindowsRegistry.h"

namespace tarvo {

bool DesktopRegistry::loadSystem()
{
    m_registry = RegistryFile();
    m_system = std::make_unique<WindowsRegistry>();
    m_source = "the Windows registry";
    return true;
}

} // namespace tarvo
