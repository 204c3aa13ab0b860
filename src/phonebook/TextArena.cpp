#include "phonebook/TextArena.h"

#include <cstring>

namespace tarvo {

char* TextArena::allocate(std::size_t size)
{
    if (size > m_left) {
        // Chunks grow so small tables stay small and big ones need few
        // allocations; the unused tail of the previous chunk is given up.
        std::size_t chunk = size > m_nextChunk ? size : m_nextChunk;
        m_chunks.push_back(makeLargeBlock<char>(chunk));
        m_next = m_chunks.back().get();
        m_left = chunk;
        m_capacity += chunk;
        if (m_nextChunk < kMaxChunk)
            m_nextChunk *= 2;
    }
    char* result = m_next;
    m_next += size;
    m_left -= size;
    return result;
}

std::string_view TextArena::store(std::string_view text)
{
    if (text.empty())
        return {};
    char* p = allocate(text.size());
    std::memcpy(p, text.data(), text.size());
    return {p, text.size()};
}

void TextArena::adopt(TextArena&& other)
{
    // This arena goes on filling its own last chunk; what is left of the
    // other's is given up.
    m_chunks.reserve(m_chunks.size() + other.m_chunks.size());
    for (LargeBlockPtr<char>& chunk : other.m_chunks)
        m_chunks.push_back(std::move(chunk));
    m_capacity += other.m_capacity;
    other.clear();
}

void TextArena::clear()
{
    m_chunks.clear();
    m_next = nullptr;
    m_left = 0;
    m_nextChunk = kFirstChunk;
    m_capacity = 0;
}

} // namespace tarvo
