#include "app/AppEnvironment.h"

#include "device/FolderDevice.h"

namespace tarvo {

// Windows has no per-user registry file, Wine prefix or hub: an unnamed
// registry is the registry itself, and TARVO_DEVICE names the simulated
// handheld's folder. The remote API's own transport is not here yet, so
// "rapi:" names no handheld.
void AppEnvironment::resolvePlatform(const Variables& variables)
{
    if (const std::string* device = valueOf(variables, "TARVO_DEVICE"); device && !device->starts_with(kRapiPrefix))
        deviceFolder = *device;
}

std::unique_ptr<DeviceTransport> AppEnvironment::makeDevice() const
{
    return std::make_unique<FolderDevice>(deviceFolder);
}

RapiDevice* AppEnvironment::hubDevice(DeviceTransport&)
{
    return nullptr;
}

} // namespace tarvo
