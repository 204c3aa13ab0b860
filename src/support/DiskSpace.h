#pragma once

#include <cstdint>
#include <string>

namespace tarvo {

// True unless the file system of `folder` is known to have less than
// `keepFree` bytes left for this user: a write that would eat the last of
// the disk is stopped before it leaves nothing for anything else.
bool leavesFreeSpace(const std::string& folder, std::uint64_t keepFree);

} // namespace tarvo
