#pragma once

#include <cstddef>
#include <cstdint>

namespace tarvo {

// Reads up to `size` bytes at `offset` of a file open as the descriptor
// `fd` (a stdio stream's fileno) without moving or using its file position,
// so several threads can read parts of one open file side by side (pread
// on Linux; ReadFile at an offset on Windows). Returns the bytes read: fewer
// than `size` only at the end of the file, 0 there; -1 after an error.
std::ptrdiff_t readAt(int fd, void* buffer, std::size_t size, std::uint64_t offset);

} // namespace tarvo
