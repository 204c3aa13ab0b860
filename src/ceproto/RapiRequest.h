#pragma once

#include "ceproto/RapiCommand.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace tarvo {

// One remote-API request as the handheld reads it. Which fields mean
// something depends on the command; the rest stay zero or empty.
struct RapiRequest {
    // nullopt: a number this end does not know (`number` says which).
    std::optional<RapiCommand> command;
    std::uint32_t number = 0;

    // A file, search or key handle; the parent key of a key to open or create.
    std::uint32_t handle = 0;
    // The path, the subkey, or the value name; the old name of a move.
    std::u16string path;
    // The new name of a move.
    std::u16string newPath;
    // CreateFile's access, share mode, creation disposition and flags.
    std::uint32_t access = 0;
    std::uint32_t shareMode = 0;
    std::uint32_t disposition = 0;
    std::uint32_t flags = 0;
    // The bytes a read asks for; the room a registry query offers.
    std::uint32_t size = 0;
    // The type of a registry value to set.
    std::uint32_t type = 0;
    // The bytes to write, or the value's data; they point into the message.
    std::span<const std::uint8_t> data;
};

} // namespace tarvo
