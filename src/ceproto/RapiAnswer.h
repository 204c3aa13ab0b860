#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace tarvo {

// One answer of the handheld's remote API, decoded. Which fields mean
// something depends on the request; `valid` is false when the answer was
// too short or out of bounds for it, and then nothing else is to be used.
struct RapiAnswer {
    bool valid = false;
    // Layout 1 only: the call itself failed with this HRESULT (0: it ran).
    std::uint32_t callError = 0;
    // The device's GetLastError after the call.
    std::uint32_t lastError = 0;
    // The function's return value: a BOOL, a handle, attributes, or a
    // registry result (an error code, 0 on success).
    std::uint32_t value = 0;

    // Registry: the key opened or created, and whether it was new.
    std::uint32_t key = 0;
    std::uint32_t disposition = 0;
    // Registry query: the value's type and full size in bytes.
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    // The bytes read from a file or a registry value; they point into the
    // answer's own buffer.
    std::span<const std::uint8_t> data;

    // Find data.
    std::uint32_t attributes = 0;
    std::uint64_t fileSize = 0;
    std::u16string name;

    // Version information.
    std::uint32_t osMajor = 0;
    std::uint32_t osMinor = 0;
    std::uint32_t build = 0;
    std::uint32_t platform = 0;

    // The call ran and returned a non-zero value (a BOOL of TRUE, a handle).
    bool succeeded() const { return valid && callError == 0 && value != 0; }
    // A registry call ran and returned 0.
    bool registryOk() const { return valid && callError == 0 && value == 0; }
};

} // namespace tarvo
