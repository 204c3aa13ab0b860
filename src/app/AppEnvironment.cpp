#include "app/AppEnvironment.h"

#include "dialing/CountryQuery.h"
#include "support/CodePageConverter.h"
#include "support/InstalledData.h"
#include "text/CodePage.h"

#include <cstdlib>

namespace tarvo {

namespace {

constexpr const char* kVariableNames[] = {"TARVO_REGISTRY",     "TARVO_DEVICE",        "TARVO_COUNTRY_LIST",
                                          "TARVO_ANSI_CODEPAGE", "TARVO_OEM_CODEPAGE", "XDG_CONFIG_HOME",
                                          "HOME",               "WINEPREFIX",          "CURL_CA_BUNDLE",
                                          "XDG_RUNTIME_DIR"};

} // namespace

const std::string* AppEnvironment::valueOf(const Variables& variables, const char* name)
{
    auto found = variables.find(name);
    return found != variables.end() && !found->second.empty() ? &found->second : nullptr;
}

AppEnvironment AppEnvironment::resolve(const Variables& variables, const std::filesystem::path& folder)
{
    AppEnvironment env;
    env.folder = WorkingFolder(folder);
    const std::string* registry = valueOf(variables, "TARVO_REGISTRY");
    env.registryFileNamed = registry != nullptr;
    if (registry)
        env.registryFile = *registry;
    env.resolvePlatform(variables);
    const std::string* countries = valueOf(variables, "TARVO_COUNTRY_LIST");
    env.countryListFile = countries ? *countries : InstalledData::path(CountryQuery::kDataFileName);
    env.countryListNamed = countries != nullptr;
    const std::string* ansi = valueOf(variables, "TARVO_ANSI_CODEPAGE");
    env.ansiCodePage = ansi ? *ansi : CodePageConverter::desktopAnsiName();
    const std::string* oem = valueOf(variables, "TARVO_OEM_CODEPAGE");
    env.oemCodePage = oem ? *oem : CodePageConverter::desktopOemName();
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

void AppEnvironment::applyCodePages() const
{
    CodePage::useDesktopCodePages(ansiCodePage, oemCodePage);
}

} // namespace tarvo
