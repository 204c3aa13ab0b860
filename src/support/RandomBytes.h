#pragma once

#include <cstddef>

namespace tarvo {

// Fills `size` bytes with output of the system's cryptographic random
// generator (OpenSSL's on Linux, BCrypt's on Windows). False when the
// generator failed; the bytes are then not to be used.
[[nodiscard]] bool fillRandomBytes(void* buffer, std::size_t size);

// Overwrites `size` bytes in a way the compiler may not leave out, so plain
// text and key material do not linger in freed memory.
void wipeBytes(void* buffer, std::size_t size);

} // namespace tarvo
