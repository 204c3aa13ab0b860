#pragma once

#include <cstdint>
#include <string>

namespace tarvo {

enum class BoundedRead {
    Read,       // `content` holds the whole file
    Missing,    // no such file (or a path through a non-folder)
    NotRegular, // a folder, a device, a pipe: nothing a settings file can be
    TooLarge,   // more than the bound allows
    Failed,     // there, but it cannot be opened or read
};

// Reads a whole settings-like file, but only a regular file of at most
// `maxBytes` bytes: a device such as /dev/zero or a file that grew without
// end must give an answer at once rather than eat the memory.
BoundedRead readBoundedFile(const std::string& path, std::uint64_t maxBytes, std::string& content);

} // namespace tarvo
