#include "app/AppEnvironment.h"

#include "ceproto/CeHubProtocol.h"
#include "device/FolderDevice.h"
#include "device/RapiDevice.h"

namespace tarvo {

namespace {

std::string defaultRegistryFile(const AppEnvironment::Variables& variables)
{
    std::string base;
    if (const std::string* config = AppEnvironment::valueOf(variables, "XDG_CONFIG_HOME"))
        base = *config;
    else if (const std::string* home = AppEnvironment::valueOf(variables, "HOME"))
        base = *home + "/.config";
    else
        base = "./.config";
    return base + "/tarvo/registry.reg";
}

// "rapi:" alone: the hub of this user's session when it runs, else the
// system service's.
std::string hubSocketFor(const std::string& named, const AppEnvironment::Variables& variables)
{
    if (!named.empty())
        return named;
    const std::string* runtime = AppEnvironment::valueOf(variables, "XDG_RUNTIME_DIR");
    const std::string users = CeHubProtocol::defaultSocketPath(runtime ? *runtime : std::string());
    std::error_code ec;
    if (runtime && std::filesystem::exists(users, ec))
        return users;
    return CeHubProtocol::defaultSocketPath({});
}

} // namespace

const char* const AppEnvironment::kWhereFromHelp =
    "The dialer is found through $TARVO_REGISTRY (else the Wine prefix); the handheld is\n"
    "$TARVO_DEVICE: a folder that simulates one, or rapi:[SOCKET] for a real one through tarvo-cehub.\n";

void AppEnvironment::resolvePlatform(const Variables& variables)
{
    if (!registryFileNamed)
        registryFile = defaultRegistryFile(variables);
    if (const std::string* prefix = valueOf(variables, "WINEPREFIX"))
        winePrefix = *prefix;
    else if (const std::string* home = valueOf(variables, "HOME"))
        winePrefix = *home + "/.wine";
    if (const std::string* device = valueOf(variables, "TARVO_DEVICE")) {
        if (device->starts_with(kRapiPrefix))
            hubSocket = hubSocketFor(device->substr(kRapiPrefix.size()), variables);
        else
            deviceFolder = *device;
    }
}

std::unique_ptr<DeviceTransport> AppEnvironment::makeDevice() const
{
    if (!hubSocket.empty())
        return std::make_unique<RapiDevice>(hubSocket);
    return std::make_unique<FolderDevice>(deviceFolder);
}

} // namespace tarvo
