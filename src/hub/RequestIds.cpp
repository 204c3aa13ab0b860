#include "hub/RequestIds.h"

#include <algorithm>
#include <random>
#include <sys/random.h>

namespace tarvo::cehub {

namespace {

// Control connections open with small words (0, 4, 6); ids stay far above.
constexpr std::uint32_t kLowest = 0x10000;

std::uint32_t randomWord()
{
    std::uint32_t word = 0;
    if (::getrandom(&word, sizeof word, 0) == static_cast<ssize_t>(sizeof word))
        return word;
    return std::random_device{}();
}

} // namespace

std::uint32_t RequestIds::next()
{
    std::uint32_t id = 0;
    do {
        id = randomWord();
    } while (id < kLowest || issued(id));
    m_recent.push_back(id);
    if (m_recent.size() > kRemembered)
        m_recent.pop_front();
    return id;
}

bool RequestIds::issued(std::uint32_t id) const
{
    return std::find(m_recent.begin(), m_recent.end(), id) != m_recent.end();
}

} // namespace tarvo::cehub
