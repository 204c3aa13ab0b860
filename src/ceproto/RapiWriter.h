#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace tarvo {

// Builds little-endian bytes for the handheld: the remote API's messages
// and the control connection's words.
class RapiWriter final {
public:
    void u16(std::uint16_t value);
    void u32(std::uint32_t value);
    void bytes(std::span<const std::uint8_t> data);
    // UTF-16LE code units, without a terminating NUL.
    void utf16(std::u16string_view text);
    // Overwrites four bytes already written, e.g. a length known at the end.
    void patchU32(std::size_t offset, std::uint32_t value);

    std::size_t size() const { return m_data.size(); }
    const std::vector<std::uint8_t>& data() const { return m_data; }
    std::vector<std::uint8_t> take() { return std::move(m_data); }

private:
    std::vector<std::uint8_t> m_data;
};

} // namespace tarvo
