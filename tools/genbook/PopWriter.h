#pragma once

#include "genbook/Place.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace tarvo::genbook {

struct Country;
class Random;
class Sink;

inline constexpr std::size_t kBookColumns = 28;

// The 28 column names in canonical order, as a "#HDR" line names them.
extern const std::array<std::string_view, kBookColumns> kBookColumnNames;

// Builds one POP line's columns and writes them in the file's column order.
class PopWriter final {
public:
    PopWriter(Random& random, const std::array<std::size_t, kBookColumns>& order) : m_random(random), m_order(order) {}
    PopWriter(const PopWriter&) = delete;
    PopWriter& operator=(const PopWriter&) = delete;

    // One POP (or a MODEM/ISDN pair) at `place`; returns the lines written.
    int write(Sink& sink, const Country& country, const Place& place, std::string_view popId, bool pair);

private:
    std::string phoneNumber(const Country& country);

    Random& m_random;
    const std::array<std::size_t, kBookColumns>& m_order;
};

} // namespace tarvo::genbook
