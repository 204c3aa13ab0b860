#pragma once

#include "ceproto/RapiLayout.h"

#include <cstdint>
#include <optional>

namespace tarvo {

// The remote-API calls this program makes (and the emulated handheld
// answers). Each layout numbers them its own way; the one table of numbers
// is behind these two functions.
enum class RapiCommand {
    FindFirstFile,
    FindClose,
    GetFileAttributes,
    CreateFile,
    ReadFile,
    WriteFile,
    CloseHandle,
    MoveFile,
    DeleteFile,
    CreateDirectory,
    RegOpenKey,
    RegCreateKey,
    RegCloseKey,
    RegQueryValue,
    RegSetValue,
    GetVersion,
};

// The number that names `command` in `layout`.
std::uint32_t rapiCommandNumber(RapiLayout layout, RapiCommand command);
// The command that `number` names in `layout`; nullopt for one not known here.
std::optional<RapiCommand> rapiCommandOf(RapiLayout layout, std::uint32_t number);

} // namespace tarvo
