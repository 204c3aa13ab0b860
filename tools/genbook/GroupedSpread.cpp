#include "genbook/GroupedSpread.h"

#include "genbook/Countries.h"
#include "genbook/Random.h"

#include <algorithm>

namespace tarvo::genbook {

GroupedSpread::GroupedSpread()
{
    for (const Country& country : countries()) {
        std::vector<Place>& places = m_places.emplace_back();
        for (const Region& region : country.regions)
            for (const City& city : region.cities)
                places.push_back({region.code, city.name, city.areaCode});
    }
}

std::span<const Place> GroupedSpread::places(std::size_t country) const
{
    return m_places[country];
}

std::vector<std::uint64_t> GroupedSpread::linesPerPlace(std::size_t country, std::uint64_t lines, Random& random,
                                                        Book) const
{
    const std::size_t count = m_places[country].size();
    std::vector<std::uint64_t> perPlace(count, 0);
    if (count == 0)
        return perPlace;
    perPlace[0] = std::min<std::uint64_t>(lines, countries()[country].isdn ? 2 : 1);
    for (std::uint64_t i = perPlace[0]; i < lines; ++i)
        ++perPlace[random.below(static_cast<std::uint32_t>(count))];
    return perPlace;
}

} // namespace tarvo::genbook
