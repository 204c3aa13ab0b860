#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tarvo {

// The handheld password as it crosses the control connection: UTF-16LE
// units with every byte XORed with the low byte of the key the handheld
// gave, preceded by a u16 byte count. The newer protocol sends no NUL, the
// older one counts one in.
class CePassword final {
public:
    static constexpr std::size_t kMaxBytes = 512;

    // The count and the bytes, ready to send.
    static std::vector<std::uint8_t> encode(std::u16string_view password, std::uint32_t key, bool withNul);
    // The password from the bytes after the count (a trailing NUL dropped);
    // nullopt for an odd count or one over kMaxBytes.
    static std::optional<std::u16string> decode(std::span<const std::uint8_t> bytes, std::uint32_t key);
};

} // namespace tarvo
