#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace tarvo {

// The texts of a phonebook are short (a country code, a city, a number), so
// the helpers here work on them without a library call each: loads that
// may overlap one another but never reach outside the text.

// memcpy of `size` bytes.
inline void copyShort(char* to, const char* from, std::size_t size)
{
    if (size >= 8 && size <= 16) {
        std::uint64_t head;
        std::uint64_t tail;
        std::memcpy(&head, from, 8);
        std::memcpy(&tail, from + size - 8, 8);
        std::memcpy(to, &head, 8);
        std::memcpy(to + size - 8, &tail, 8);
    } else if (size >= 4 && size < 8) {
        std::uint32_t head;
        std::uint32_t tail;
        std::memcpy(&head, from, 4);
        std::memcpy(&tail, from + size - 4, 4);
        std::memcpy(to, &head, 4);
        std::memcpy(to + size - 4, &tail, 4);
    } else if (size > 0 && size < 4) {
        to[0] = from[0];
        to[size / 2] = from[size / 2];
        to[size - 1] = from[size - 1];
    } else if (size > 16) {
        std::memcpy(to, from, size);
    }
}

// True when no byte has its top bit set: the text is plain ASCII.
inline bool isAscii(std::string_view text)
{
    const char* p = text.data();
    const std::size_t size = text.size();
    std::uint64_t bits = 0;
    if (size >= 8) {
        std::uint64_t word;
        for (std::size_t at = 0; at + 8 <= size; at += 8) {
            std::memcpy(&word, p + at, 8);
            bits |= word;
        }
        std::memcpy(&word, p + size - 8, 8);
        bits |= word;
    } else if (size >= 4) {
        std::uint32_t head;
        std::uint32_t tail;
        std::memcpy(&head, p, 4);
        std::memcpy(&tail, p + size - 4, 4);
        bits = head | tail;
    } else if (size > 0) {
        bits = static_cast<unsigned char>(p[0]) | static_cast<unsigned char>(p[size / 2])
               | static_cast<unsigned char>(p[size - 1]);
    }
    return (bits & 0x8080808080808080ULL) == 0;
}

} // namespace tarvo
