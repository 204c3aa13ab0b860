#pragma once

#include "genbook/Place.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tarvo::genbook {

class Random;

// Where the POP lines of each country go: its places, in the order the book
// lists them, and how many lines each gets.
class Spread {
public:
    // Which book the lines are for: customer POPs lie only where the draw
    // puts them.
    enum class Book { Master, Customer };

    virtual ~Spread() = default;

    // The places of the country at `country` in `countries()`.
    [[nodiscard]] virtual std::span<const Place> places(std::size_t country) const = 0;
    // Lines per place (same order as `places`), `lines` in all.
    [[nodiscard]] virtual std::vector<std::uint64_t> linesPerPlace(std::size_t country, std::uint64_t lines,
                                                                   Random& random, Book book) const = 0;
};

} // namespace tarvo::genbook
