#pragma once

#include "text/RegistryReader.h"

namespace tarvo {

// Windows only: the desktop registry itself, read through
// RegOpenKeyExW / RegEnumKeyExW / RegQueryValueExW under the roots
// HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER.
//
// A 64-bit program sees the 64-bit view of HKEY_LOCAL_MACHINE\SOFTWARE,
// where a 32-bit installer's keys are not: both views are read. A key's
// subkeys are those of either view (each name once), and a value is the
// 64-bit view's when it has one, else the 32-bit view's.
class WindowsRegistry final : public RegistryReader {
public:
    bool enumSubkeys(std::string_view keyPath, std::vector<std::string>& names) const override;
    bool readString(std::string_view keyPath, std::string_view name, std::string& value) const override;
};

} // namespace tarvo
