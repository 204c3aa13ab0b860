#pragma once

#include "app/WorkingFolder.h"

#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace tarvo {

class DeviceTransport;

// Everything the program takes from outside itself, resolved once when it
// starts: the working folder, the desktop registry file that names the
// dialer, the handheld, the telephony country list and the desktop's code
// pages. The front ends make it (from the process, or a test from its
// temporary folders) and hand it to the application; nothing below the
// application reads an environment variable or the current folder.
struct AppEnvironment {
    // Where the environment comes from: the variables a front end passes on
    // (unset ones are missing) and the current folder.
    using Variables = std::map<std::string, std::string>;

    WorkingFolder folder{"."};
    // The desktop registry file (`TARVO_REGISTRY`, else on Linux the
    // per-user default), and whether the person named it; when not named
    // and not there, the desktop's own registry is read: on Linux the Wine
    // prefix's (`WINEPREFIX`, else ~/.wine), on Windows the registry itself.
    std::string registryFile;
    bool registryFileNamed = false;
    std::string winePrefix;
    // `TARVO_DEVICE`: the simulated handheld's folder, or "rapi:[SOCKET]" for
    // a real handheld through tarvo-cehub. Empty both: no handheld.
    std::string deviceFolder;
    std::string hubSocket;
    // On Windows: the handheld through the CE remote API ("rapi.dll"), the
    // default when `TARVO_DEVICE` names no folder.
    bool remoteApi = false;
    // The handheld's password, for a real handheld that asks for one (the
    // command line's --device-password-file; never the password itself).
    std::string devicePasswordFile;
    // The telephony country list (`TARVO_COUNTRY_LIST`, else the installed
    // file), and whether the person named it: on Windows the telephony API
    // answers first unless a file is named.
    std::string countryListFile;
    bool countryListNamed = false;
    // The desktop's code pages (`TARVO_ANSI_CODEPAGE`, `TARVO_OEM_CODEPAGE`,
    // else the desktop's own: on Linux windows-1252 and IBM437).
    std::string ansiCodePage;
    std::string oemCodePage;
    // Certificates the update service trusts instead of the system's
    // (`CURL_CA_BUNDLE`, as the curl tool reads it); empty: the system's.
    std::string caBundleFile;

    // Resolved from `variables` with the working folder `folder`.
    static AppEnvironment resolve(const Variables& variables, const std::filesystem::path& folder);
    // The running process's: its environment and its current folder.
    static AppEnvironment fromProcess();
    // A variable that is set and not empty; null otherwise.
    static const std::string* valueOf(const Variables& variables, const char* name);

    // The prefix of `TARVO_DEVICE` that names a real handheld.
    static constexpr std::string_view kRapiPrefix = "rapi:";
    // Where the dialer and the handheld are found on this platform, for a
    // program's help (lines ending in a line feed).
    static const char* const kWhereFromHelp;

    // The handheld this environment names.
    std::unique_ptr<DeviceTransport> makeDevice() const;
    // Makes the code pages the process-wide ones; before any text is converted.
    void applyCodePages() const;

private:
    // The platform's part (AppEnvironmentPosix.cpp, AppEnvironmentWin32.cpp):
    // the registry's default place, the Wine prefix and the handheld.
    void resolvePlatform(const Variables& variables);
};

} // namespace tarvo
