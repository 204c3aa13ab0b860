#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tarvo {

// Reads little-endian fields from bytes a handheld sent. Never reads past
// the end: a field that does not fit reads as zero (or empty) and marks the
// reader failed, so a parser can read a whole record and check once.
class RapiReader final {
public:
    explicit RapiReader(std::span<const std::uint8_t> data) : m_data(data) {}

    std::uint8_t u8();
    std::uint16_t u16();
    std::uint32_t u32();
    // The next `size` bytes, or an empty span (and failed) when fewer are left.
    std::span<const std::uint8_t> bytes(std::size_t size);
    void skip(std::size_t size) { (void)bytes(size); }

    std::size_t position() const { return m_position; }
    std::size_t remaining() const { return m_data.size() - m_position; }
    bool ok() const { return !m_failed; }

private:
    std::span<const std::uint8_t> m_data;
    std::size_t m_position = 0;
    bool m_failed = false;
};

} // namespace tarvo
