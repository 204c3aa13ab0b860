#pragma once

#include <cstdint>

namespace tarvo::genbook {

// splitmix64: the same numbers on every platform and compiler, unlike the
// standard distributions, so a seed gives the same files everywhere.
class Random final {
public:
    explicit Random(std::uint64_t seed) : m_state(seed) {}

    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // Uniform enough in [0, bound) for data generation.
    std::uint32_t below(std::uint32_t bound) { return bound == 0 ? 0 : static_cast<std::uint32_t>(next() % bound); }

private:
    std::uint64_t m_state;
};

} // namespace tarvo::genbook
