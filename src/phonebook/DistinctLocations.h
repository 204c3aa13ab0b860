#pragma once

#include <cstdint>
#include <vector>

namespace tarvo {

class PopList;
class PopRecord;

// The distinct locations of a POP list (variants aside), in the order first
// met: each (country, region, city) triple with the first record that has
// it, and each (country, region) pair. A million POPs in a million cities
// cost one hash lookup each, no sorting.
struct DistinctLocations {
    std::vector<const PopRecord*> triples;
    std::vector<std::uint32_t> pairOf; // per triple: the index of its pair
    std::vector<const PopRecord*> pairs;

    static DistinctLocations of(const PopList& pops);
};

} // namespace tarvo
