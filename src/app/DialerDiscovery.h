#pragma once

#include <string>

namespace tarvo {

class RegistryReader;
class WinePathMapper;

// Finds the dialer's installation folder (`DialerHome`) from the desktop
// registry: every App Paths subkey whose name holds "TARVOCONNECT" names a
// candidate; the one whose "config.ini" [Profile] "DialerVersionNo" sorts
// highest as plain text wins (ties to the later subkey, so "9" beats "10"
// and an empty version never wins); else the per-user install key.
//
// The registry of a Wine prefix names Windows folders ("C:\Program
// Files\Tarvo"): given the prefix's `paths`, each "Path" is the folder it
// maps to, and one that maps to none (no drive letter, a drive the prefix
// lacks) is passed over like a value that could not be read. Without it a
// "Path" is the folder as it stands (in the program's path text: the
// registry's UTF-8 becomes ANSI text on Windows).
class DialerDiscovery final {
public:
    static constexpr const char* kAppPathsKey =
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
    static constexpr const char* kUserInstallKey = "HKEY_CURRENT_USER\\Software\\Tarvo\\install";

    // The folder, or empty when no installation is found.
    static std::string find(const RegistryReader& registry, const WinePathMapper* paths = nullptr);
};

} // namespace tarvo
