#include "ceproto/RapiReader.h"

namespace tarvo {

std::span<const std::uint8_t> RapiReader::bytes(std::size_t size)
{
    if (m_failed || size > remaining()) {
        m_failed = true;
        m_position = m_data.size();
        return {};
    }
    std::span<const std::uint8_t> out = m_data.subspan(m_position, size);
    m_position += size;
    return out;
}

std::uint8_t RapiReader::u8()
{
    std::span<const std::uint8_t> b = bytes(1);
    return b.empty() ? 0 : b[0];
}

std::uint16_t RapiReader::u16()
{
    std::span<const std::uint8_t> b = bytes(2);
    return b.empty() ? 0 : static_cast<std::uint16_t>(b[0] | b[1] << 8);
}

std::uint32_t RapiReader::u32()
{
    std::span<const std::uint8_t> b = bytes(4);
    if (b.empty())
        return 0;
    return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
           static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

} // namespace tarvo
