#include "support/LineCuts.h"

#include "support/ByteSearch.h"
#include "support/ReadOnlyFile.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace tarvo {

namespace {

constexpr std::size_t kProbe = 1 << 14;

// Just after the first LF at or after `from`, or 0 when there is none
// before `size` (or the file cannot be read).
std::uint64_t afterNextLineFeed(const ReadOnlyFile& file, std::uint64_t from, std::uint64_t size)
{
    std::array<char, kProbe> block;
    while (from < size) {
        const std::ptrdiff_t n = file.readAt(block.data(), block.size(), from);
        if (n <= 0)
            return 0;
        if (const char* lf = findByte(block.data(), static_cast<std::size_t>(n), '\n'))
            return from + static_cast<std::uint64_t>(lf - block.data()) + 1;
        from += static_cast<std::uint64_t>(n);
    }
    return 0;
}

} // namespace

std::vector<std::uint64_t> findLineCuts(const ReadOnlyFile& file, std::uint64_t size, unsigned parts)
{
    std::vector<std::uint64_t> cuts;
    for (unsigned k = 1; k < parts; ++k) {
        const std::uint64_t nominal = size / parts * k;
        const std::uint64_t from = cuts.empty() ? nominal : std::max(nominal, cuts.back());
        const std::uint64_t cut = afterNextLineFeed(file, from, size);
        // No LF ahead (or none readable): the last part runs to the end.
        if (cut == 0 || cut >= size)
            break;
        if (cuts.empty() || cut > cuts.back())
            cuts.push_back(cut);
    }
    return cuts;
}

} // namespace tarvo
