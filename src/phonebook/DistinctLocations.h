#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace tarvo {

class PopList;
class PopRecord;

// The distinct locations of a POP list (variants aside), in the order first
// met: each (country, region, city) triple and each (country, region) pair.
// A million POPs in a million cities cost one hash lookup each, no sorting.
class DistinctLocations final {
public:
    // Told the first record of each distinct triple, in the order met, and
    // the number of the triple's pair.
    using OnTriple = std::function<void(const PopRecord& first, std::uint32_t pair)>;

    // Calls `onTriple` for each triple; gives the first record of each pair,
    // numbered in the order met.
    static std::vector<const PopRecord*> find(const PopList& pops, const OnTriple& onTriple);
};

} // namespace tarvo
