#include "device/RapiFileBuffer.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace tarvo {

bool RapiFileBuffer::add(std::span<const std::uint8_t> data, std::size_t block)
{
    m_data.insert(m_data.end(), data.begin(), data.end());
    return m_data.size() >= block;
}

std::vector<std::uint8_t> RapiFileBuffer::takeAll()
{
    m_start = 0;
    return std::exchange(m_data, {});
}

void RapiFileBuffer::fill(std::vector<std::uint8_t> data)
{
    m_data = std::move(data);
    m_start = 0;
    m_atEnd = m_data.empty();
}

std::size_t RapiFileBuffer::take(void* out, std::size_t size)
{
    std::size_t n = std::min(size, m_data.size() - m_start);
    if (n > 0)
        std::memcpy(out, m_data.data() + m_start, n);
    m_start += n;
    return n;
}

void RapiFileBuffer::clear()
{
    m_data.clear();
    m_start = 0;
}

} // namespace tarvo
