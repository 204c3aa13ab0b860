#include "genbook/RealisticSpread.h"

#include "genbook/Countries.h"
#include "genbook/Random.h"

#include <algorithm>
#include <array>
#include <set>
#include <string_view>

namespace tarvo::genbook {

namespace {

constexpr std::uint64_t kPopsPerCity = 15;

// Three bytes each, so a name splits back into its syllables one way only
// and distinct numbers give distinct names; a few carry windows-1252 letters.
constexpr std::array<std::string_view, 64> kSyllables = {
    "ash", "bar", "bel", "bor", "bri", "cal", "cam", "cor", "dal", "den", "dor", "elm", "fal", "fen", "gar", "gil",
    "ham", "har", "hol", "kel", "ken", "kir", "lan", "lem", "lin", "lor", "mar", "mel", "mil", "mor", "nor", "oak",
    "pen", "por", "ral", "red", "ren", "ros", "sal", "sel", "son", "tal", "ten", "tor", "val", "ven", "vil", "wal",
    "wel", "wes", "win", "wor", "yar", "zel", "ley", "ton", "m\xFCn", "r\xF6s", "b\xE9l", "g\xE5r", "n\xF8r", "c\xE1s",
    "d\xEEn", "l\xE8s",
};

// The made-up name of number `n`: two syllables for the first 64^2
// numbers, three for the next 64^3, and so on.
std::string madeUpName(std::uint64_t n)
{
    std::size_t syllables = 2;
    std::uint64_t span = kSyllables.size() * kSyllables.size();
    while (n >= span) {
        n -= span;
        span *= kSyllables.size();
        ++syllables;
    }
    std::string name;
    for (std::size_t i = 0; i < syllables; ++i) {
        name += kSyllables[n % kSyllables.size()];
        n /= kSyllables.size();
    }
    name[0] = static_cast<char>(name[0] - 'a' + 'A');
    return name;
}

// An area code like the country's own: three digits in North America, none
// where the country has none, two or three elsewhere.
std::string areaCodeFor(const Country& country, Random& random)
{
    const bool none = !country.regions.empty() && !country.regions.front().cities.empty()
                      && *country.regions.front().cities.front().areaCode == '\0';
    if (none)
        return {};
    if (country.tapiId == 1 || country.tapiId == 2)
        return std::to_string(201 + random.below(789));
    return std::to_string(10 + random.below(990));
}

// 1/1, 1/2, 1/3, ... summed up: the draw of rank k is where a uniform point
// falls among these.
std::vector<double> rankWeights(std::size_t count)
{
    std::vector<double> sums(count);
    double sum = 0;
    for (std::size_t k = 0; k < count; ++k) {
        sum += 1.0 / static_cast<double>(k + 1);
        sums[k] = sum;
    }
    return sums;
}

} // namespace

std::uint64_t RealisticSpread::defaultCities(std::uint64_t pops)
{
    return std::max<std::uint64_t>(pops / kPopsPerCity, 1);
}

RealisticSpread::RealisticSpread(std::uint64_t pops, std::uint64_t cities, std::uint64_t seed)
{
    const std::uint64_t total = cities != 0 ? cities : defaultCities(pops);
    std::uint64_t weightSum = 0;
    for (const Country& country : countries())
        weightSum += static_cast<std::uint64_t>(country.weight);
    // Cities go to the countries by weight; what rounding leaves goes to
    // the first.
    auto shareOf = [&](const Country& country) { return total * static_cast<std::uint64_t>(country.weight) / weightSum; };
    std::uint64_t roundedOff = total;
    for (const Country& country : countries())
        roundedOff -= shareOf(country);

    Random random(seed ^ 0x0C171E5ULL);
    for (std::size_t c = 0; c < countries().size(); ++c) {
        const Country& country = countries()[c];
        std::vector<Place>& places = m_places.emplace_back();
        std::set<std::string_view> known;
        std::vector<const Region*> regions;
        for (const Region& region : country.regions) {
            regions.push_back(&region);
            for (const City& city : region.cities) {
                places.push_back({region.code, city.name, city.areaCode});
                known.insert(city.name);
            }
        }
        if (country.weight == 0 || regions.empty())
            continue;
        // Each country starts its names elsewhere, so its towns are its own.
        std::uint64_t number = c * 997;
        const std::uint64_t share = shareOf(country) + (c == 0 ? roundedOff : 0);
        while (places.size() < share) {
            std::string name = madeUpName(number++);
            if (known.contains(name))
                continue;
            const Region& region = *regions[random.below(static_cast<std::uint32_t>(regions.size()))];
            const std::string& stored = m_text.emplace_back(std::move(name));
            const std::string& area = m_text.emplace_back(areaCodeFor(country, random));
            places.push_back({region.code, stored, area});
        }
    }
}

std::span<const Place> RealisticSpread::places(std::size_t country) const
{
    return m_places[country];
}

std::vector<std::uint64_t> RealisticSpread::linesPerPlace(std::size_t country, std::uint64_t lines, Random& random,
                                                          Book book) const
{
    const std::size_t count = m_places[country].size();
    std::vector<std::uint64_t> perPlace(count, 0);
    if (count == 0)
        return perPlace;
    std::uint64_t drawn = lines;
    if (book == Book::Master) {
        const std::uint64_t everyOne = std::min<std::uint64_t>(lines, count);
        std::fill_n(perPlace.begin(), everyOne, 1);
        drawn -= everyOne;
    }
    const std::vector<double> sums = rankWeights(count);
    for (std::uint64_t i = 0; i < drawn; ++i) {
        const double point = static_cast<double>(random.next() >> 11) * 0x1.0p-53 * sums.back();
        const auto rank = static_cast<std::size_t>(std::upper_bound(sums.begin(), sums.end(), point) - sums.begin());
        ++perPlace[std::min(rank, count - 1)];
    }
    return perPlace;
}

} // namespace tarvo::genbook
