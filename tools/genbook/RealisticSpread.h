#pragma once

#include "genbook/Spread.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace tarvo::genbook {

// A phonebook as it grows in the world: each country has many cities, the
// table's known cities first and then made-up ones, and POPs crowd into the
// big ones (the city of rank k draws in proportion to 1/k). Cities are
// shared out among the countries by their weights.
class RealisticSpread final : public Spread {
public:
    // `cities` in all (0: about one per fifteen POPs); each country keeps at
    // least its known cities. The same seed gives the same cities.
    RealisticSpread(std::uint64_t pops, std::uint64_t cities, std::uint64_t seed);

    [[nodiscard]] std::span<const Place> places(std::size_t country) const override;
    // Master lines go first one to each city, in rank order, so a book with
    // as many cities as POPs has nearly one city per POP; the rest, and all
    // customer lines, are drawn by rank.
    [[nodiscard]] std::vector<std::uint64_t> linesPerPlace(std::size_t country, std::uint64_t lines, Random& random,
                                                           Book book) const override;

    // The city count used when none is asked for.
    static std::uint64_t defaultCities(std::uint64_t pops);

private:
    std::vector<std::vector<Place>> m_places;
    std::deque<std::string> m_text; // made-up names and area codes; a deque never moves them
};

} // namespace tarvo::genbook
