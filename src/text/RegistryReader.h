#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarvo {

// What dialer discovery asks of a registry, whichever holds it: a `.reg`
// file, a Wine prefix's files (both as a RegistryFile) or the Windows
// registry itself (WindowsRegistry).
//
// Key paths are full paths with the root as first component
// ("HKEY_LOCAL_MACHINE\SOFTWARE\..."); names and strings are UTF-8. Key and
// value names match ignoring case; subkeys come in ascending order ignoring
// case, as the registry returns them.
class RegistryReader {
public:
    virtual ~RegistryReader() = default;

    // The names of the key's direct subkeys; false (and `names` empty) when
    // the key does not exist.
    virtual bool enumSubkeys(std::string_view keyPath, std::vector<std::string>& names) const = 0;
    // False when the key or the value is absent, or the value is no string.
    virtual bool readString(std::string_view keyPath, std::string_view name, std::string& value) const = 0;

protected:
    RegistryReader() = default;
    RegistryReader(const RegistryReader&) = default;
    RegistryReader& operator=(const RegistryReader&) = default;
};

} // namespace tarvo
