#include "phonebook/PopLineSplitter.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tarvo {

namespace {

constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;

// 0x80 in each byte of `word` that equals `c`, 0 elsewhere (exact, no
// borrow between bytes).
inline std::uint64_t bytesEqual(std::uint64_t word, unsigned char c)
{
    std::uint64_t x = word ^ (kOnes * c);
    return ~(((x & kLow7) + kLow7) | x | kLow7);
}

} // namespace

int PopLineSplitter::split(std::string_view line, std::string_view* fields, int max)
{
    line = stripCrLf(line);
    if (line.empty() || max <= 1)
        return parseTokens(line, fields, max);
    // A block of bytes at a time: the commas' positions come out of a bit
    // mask, and a double quote anywhere hands the line to the tokenizer,
    // whose quoting rules then apply.
    const char* const begin = line.data();
    const std::size_t size = line.size();
    std::size_t start = 0;
    int count = 0;
    std::size_t at = 0;
    enum class Next { More, Done, Tokenizer };
    // The commas of the block at `blockStart`, one mask bit per byte shifted
    // left by `shift` (0 for one bit per byte, 3 for the top bit of each
    // byte of a word).
    auto takeCommas = [&](std::uint64_t commas, std::size_t blockStart, int shift) {
        for (; commas != 0; commas &= commas - 1) {
            const std::size_t comma = blockStart + static_cast<std::size_t>(std::countr_zero(commas) >> shift);
            fields[count++] = {begin + start, comma - start};
            start = comma + 1;
            if (count == max - 1) {
                // The last field is the rest of the line, quotes and all,
                // unless a quote opens it.
                if (line.find('"', start) != std::string_view::npos)
                    return Next::Tokenizer;
                fields[count++] = {begin + start, size - start};
                return Next::Done;
            }
        }
        return Next::More;
    };
#if defined(__SSE2__)
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i comma = _mm_set1_epi8(',');
    for (; at + 16 <= size; at += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(begin + at));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(block, quote)) != 0)
            return parseTokens(line, fields, max);
        const auto commas = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, comma)));
        if (Next next = takeCommas(commas, at, 0); next != Next::More)
            return next == Next::Done ? count : parseTokens(line, fields, max);
    }
#endif
    // The bit positions below count bytes from the low end of the word.
    const std::size_t wordsEnd = std::endian::native == std::endian::little ? size : 0;
    for (; at + 8 <= wordsEnd; at += 8) {
        std::uint64_t word;
        std::memcpy(&word, begin + at, 8);
        if (bytesEqual(word, '"') != 0)
            return parseTokens(line, fields, max);
        if (Next next = takeCommas(bytesEqual(word, ','), at, 3); next != Next::More)
            return next == Next::Done ? count : parseTokens(line, fields, max);
    }
    for (; at < size; ++at) {
        if (begin[at] == '"')
            return parseTokens(line, fields, max);
        if (begin[at] != ',')
            continue;
        fields[count++] = {begin + start, at - start};
        start = at + 1;
        if (count == max - 1) {
            if (line.find('"', start) != std::string_view::npos)
                return parseTokens(line, fields, max);
            break;
        }
    }
    fields[count++] = {begin + start, size - start};
    return count;
}

} // namespace tarvo
