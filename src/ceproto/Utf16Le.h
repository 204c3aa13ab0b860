#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo {

// Text as the handheld carries it: UTF-16 code units, low byte first. Every
// place that turns such bytes into text or text into such bytes goes
// through here, so a bound or an odd byte count is handled one way.
class Utf16Le final {
public:
    static constexpr std::size_t kNoLimit = static_cast<std::size_t>(-1);

    Utf16Le() = delete;

    // The units of `bytes` up to the first NUL (not included) or the end,
    // and at most `limit` of them. An odd last byte is no unit.
    static std::u16string decode(std::span<const std::uint8_t> bytes, std::size_t limit = kNoLimit);
    // Every unit of `bytes`, NULs included.
    static std::u16string decodeAll(std::span<const std::uint8_t> bytes);

    // Appends the units of `text` (no NUL) to `out`.
    static void append(std::u16string_view text, std::vector<std::uint8_t>& out);
    // The units of `text` and a terminating NUL.
    static std::vector<std::uint8_t> withNul(std::u16string_view text);
};

} // namespace tarvo
