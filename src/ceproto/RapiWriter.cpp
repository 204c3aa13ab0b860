#include "ceproto/RapiWriter.h"

#include "ceproto/Utf16Le.h"

namespace tarvo {

void RapiWriter::u16(std::uint16_t value)
{
    m_data.push_back(static_cast<std::uint8_t>(value));
    m_data.push_back(static_cast<std::uint8_t>(value >> 8));
}

void RapiWriter::u32(std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        m_data.push_back(static_cast<std::uint8_t>(value >> shift));
}

void RapiWriter::bytes(std::span<const std::uint8_t> data)
{
    m_data.insert(m_data.end(), data.begin(), data.end());
}

void RapiWriter::utf16(std::u16string_view text)
{
    Utf16Le::append(text, m_data);
}

void RapiWriter::patchU32(std::size_t offset, std::uint32_t value)
{
    if (offset + 4 > m_data.size())
        return;
    for (std::size_t i = 0; i < 4; ++i)
        m_data[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

} // namespace tarvo
