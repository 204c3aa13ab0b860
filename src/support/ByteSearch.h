#pragma once

#include <cstddef>

namespace tarvo {

// The first `byte` in `size` bytes at `begin`, or null: memchr, where the
// C library's is fast (glibc's); on Windows a 16-bytes-at-a-time search of
// our own, as msvcrt's memchr looks at one byte at a time (it took a
// quarter of a million-POP start-up there).
const char* findByte(const char* begin, std::size_t size, char byte);

} // namespace tarvo
