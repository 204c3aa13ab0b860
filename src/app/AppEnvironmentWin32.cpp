#include "app/AppEnvironment.h"

#include "device/FolderDevice.h"
#include "device/RapiDllDevice.h"

namespace tarvo {

// Windows has no per-user registry file, Wine prefix or hub: an unnamed
// registry is the registry itself. TARVO_DEVICE names the simulated
// handheld's folder; unset, or "rapi:", the handheld is the one the desktop's
// own remote API reaches.
const char* const AppEnvironment::kWhereFromHelp =
    "The dialer is found through $TARVO_REGISTRY (else the Windows registry); the handheld is the\n"
    "one Windows Mobile Device Center or ActiveSync reaches (rapi.dll), or $TARVO_DEVICE: a folder\n"
    "that simulates one.\n";

void AppEnvironment::resolvePlatform(const Variables& variables)
{
    if (const std::string* device = valueOf(variables, "TARVO_DEVICE"); device && !device->starts_with(kRapiPrefix))
        deviceFolder = *device;
    else
        remoteApi = true;
}

std::unique_ptr<DeviceTransport> AppEnvironment::makeDevice() const
{
    if (remoteApi)
        return std::make_unique<RapiDllDevice>();
    return std::make_unique<FolderDevice>(deviceFolder);
}

} // namespace tarvo
