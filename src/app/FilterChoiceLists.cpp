#include "app/FilterChoiceLists.h"

#include "phonebook/MasterPhonebook.h"

#include <algorithm>

namespace tarvo {

namespace {

template <typename Entry>
const Entry* entryAt(const std::vector<Entry>& entries, int row)
{
    return row >= 0 && static_cast<std::size_t>(row) < entries.size() ? &entries[static_cast<std::size_t>(row)]
                                                                       : nullptr;
}

// The row of an entry, -1 when it is not offered.
template <typename Entry>
int rowOf(const std::vector<const Entry*>& entries, const Entry* entry)
{
    const auto at = std::find(entries.begin(), entries.end(), entry);
    return entry && at != entries.end() ? static_cast<int>(at - entries.begin()) : -1;
}

} // namespace

FilterChoiceLists::FilterChoiceLists(const SelectionModel& selection) : m_selection(selection) {}

void FilterChoiceLists::offerCountries()
{
    m_countries = m_selection.countryChoices();
    m_countryTexts.clear();
    for (const CountryEntry* country : m_countries)
        m_countryTexts.push_back(country->name);
    withdrawStates();
}

void FilterChoiceLists::offerStates(const CountryEntry& country)
{
    m_states = m_selection.stateChoices(country);
    m_stateTexts.clear();
    for (const RegionEntry* state : m_states)
        m_stateTexts.push_back(state->name);
    withdrawCities();
}

void FilterChoiceLists::offerCities(const CountryEntry& country, const RegionEntry* state)
{
    m_cities = m_selection.cityChoices(country, state);
    m_cityTexts.clear();
    m_cityTexts.reserve(m_cities.size());
    for (const CityChoice& city : m_cities)
        m_cityTexts.push_back(city.text);
}

void FilterChoiceLists::withdrawCities()
{
    m_cities.clear();
    m_cityTexts.clear();
}

void FilterChoiceLists::withdrawStates()
{
    m_states.clear();
    m_stateTexts.clear();
    withdrawCities();
}

const CountryEntry* FilterChoiceLists::countryAt(int row) const
{
    const CountryEntry* const* entry = entryAt(m_countries, row);
    return entry ? *entry : nullptr;
}

const RegionEntry* FilterChoiceLists::stateAt(int row) const
{
    const RegionEntry* const* entry = entryAt(m_states, row);
    return entry ? *entry : nullptr;
}

const CityEntry* FilterChoiceLists::cityAt(int row) const
{
    const CityChoice* city = entryAt(m_cities, row);
    return city ? city->entry : nullptr;
}

PopFilter FilterChoiceLists::chosen(const Rows& rows) const
{
    PopFilter filter;
    filter.country = countryAt(rows.country);
    filter.region = stateAt(rows.state);
    filter.city = cityAt(rows.city);
    return filter;
}

FilterChoiceLists::Rows FilterChoiceLists::show(const PopFilter& filter)
{
    Rows rows;
    rows.country = rowOf(m_countries, filter.country);
    if (rows.country < 0) {
        withdrawStates();
        return rows;
    }
    offerStates(*filter.country);
    rows.state = rowOf(m_states, filter.region);
    offerCities(*filter.country, rows.state >= 0 ? filter.region : nullptr);
    const auto city = std::find_if(m_cities.begin(), m_cities.end(),
                                   [&](const CityChoice& choice) { return filter.city && choice.entry == filter.city; });
    if (city != m_cities.end())
        rows.city = static_cast<int>(city - m_cities.begin());
    return rows;
}

} // namespace tarvo
