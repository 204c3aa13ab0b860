#pragma once

#include "genbook/Spread.h"

#include <vector>

namespace tarvo::genbook {

// The cities of the country table, each country's lines spread evenly at
// random over them; the first city gets the first line (two in an ISDN
// country, for its MODEM/ISDN pair).
class GroupedSpread final : public Spread {
public:
    GroupedSpread();

    [[nodiscard]] std::span<const Place> places(std::size_t country) const override;
    [[nodiscard]] std::vector<std::uint64_t> linesPerPlace(std::size_t country, std::uint64_t lines, Random& random,
                                                           Book book) const override;

private:
    std::vector<std::vector<Place>> m_places;
};

} // namespace tarvo::genbook
