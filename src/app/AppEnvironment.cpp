#include "app/AppEnvironment.h"

#include "ceproto/CeHubProtocol.h"
#include "device/FolderDevice.h"
#include "device/RapiDevice.h"
#include "dialing/CountryQuery.h"
#include "support/InstalledData.h"
#include "text/CodePage.h"

#include <cstdlib>

namespace tarvo {

namespace {

constexpr const char* kVariableNames[] = {"TARVO_REGISTRY",     "TARVO_DEVICE",        "TARVO_COUNTRY_LIST",
                                          "TARVO_ANSI_CODEPAGE", "TARVO_OEM_CODEPAGE", "XDG_CONFIG_HOME",
                                          "HOME",               "WINEPREFIX",          "CURL_CA_BUNDLE",
                                          "XDG_RUNTIME_DIR"};

// A variable that is set and not empty.
const std::string* valueOf(const AppEnvironment::Variables& variables, const char* name)
{
    auto found = variables.find(name);
    return found != variables.end() && !found->second.empty() ? &found->second : nullptr;
}

std::string defaultRegistryFile(const AppEnvironment::Variables& variables)
{
    std::string base;
    if (const std::string* config = valueOf(variables, "XDG_CONFIG_HOME"))
        base = *config;
    else if (const std::string* home = valueOf(variables, "HOME"))
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
    const std::string* runtime = valueOf(variables, "XDG_RUNTIME_DIR");
    const std::string users = CeHubProtocol::defaultSocketPath(runtime ? *runtime : std::string());
    std::error_code ec;
    if (runtime && std::filesystem::exists(users, ec))
        return users;
    return CeHubProtocol::defaultSocketPath({});
}

} // namespace

AppEnvironment AppEnvironment::resolve(const Variables& variables, const std::filesystem::path& folder)
{
    AppEnvironment env;
    env.folder = WorkingFolder(folder);
    const std::string* registry = valueOf(variables, "TARVO_REGISTRY");
    env.registryFile = registry ? *registry : defaultRegistryFile(variables);
    env.registryFileNamed = registry != nullptr;
    if (const std::string* prefix = valueOf(variables, "WINEPREFIX"))
        env.winePrefix = *prefix;
    else if (const std::string* home = valueOf(variables, "HOME"))
        env.winePrefix = *home + "/.wine";
    if (const std::string* device = valueOf(variables, "TARVO_DEVICE")) {
        if (device->starts_with(kRapiPrefix))
            env.hubSocket = hubSocketFor(device->substr(kRapiPrefix.size()), variables);
        else
            env.deviceFolder = *device;
    }
    const std::string* countries = valueOf(variables, "TARVO_COUNTRY_LIST");
    env.countryListFile = countries ? *countries : InstalledData::path(CountryQuery::kDataFileName);
    if (const std::string* ansi = valueOf(variables, "TARVO_ANSI_CODEPAGE"))
        env.ansiCodePage = *ansi;
    if (const std::string* oem = valueOf(variables, "TARVO_OEM_CODEPAGE"))
        env.oemCodePage = *oem;
    if (const std::string* bundle = valueOf(variables, "CURL_CA_BUNDLE"))
        env.caBundleFile = *bundle;
    return env;
}

AppEnvironment AppEnvironment::fromProcess()
{
    Variables variables;
    for (const char* name : kVariableNames)
        if (const char* value = std::getenv(name))
            variables.emplace(name, value);
    std::error_code ec;
    std::filesystem::path current = std::filesystem::current_path(ec);
    return resolve(variables, ec ? std::filesystem::path(".") : current);
}

std::unique_ptr<DeviceTransport> AppEnvironment::makeDevice() const
{
    if (!hubSocket.empty())
        return std::make_unique<RapiDevice>(hubSocket);
    return std::make_unique<FolderDevice>(deviceFolder);
}

void AppEnvironment::applyCodePages() const
{
    CodePage::useDesktopCodePages(ansiCodePage, oemCodePage);
}

} // namespace tarvo
