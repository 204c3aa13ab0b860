#include "support/ByteSearch.h"

#include <emmintrin.h>

namespace tarvo {

const char* findByte(const char* begin, std::size_t size, char byte)
{
    const __m128i wanted = _mm_set1_epi8(byte);
    while (size >= 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(begin));
        const auto hits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, wanted)));
        if (hits != 0)
            return begin + __builtin_ctz(hits);
        begin += 16;
        size -= 16;
    }
    for (; size > 0; --size, ++begin)
        if (*begin == byte)
            return begin;
    return nullptr;
}

} // namespace tarvo
