#pragma once

#include "app/PopFilter.h"
#include "app/SelectionModel.h"

#include <string>
#include <vector>

namespace tarvo {

// What the selection window's Country, State and City boxes offer, row by
// row, and the location-table entries each row stands for: every window
// fills its boxes from here and asks here what a row means. Texts are in
// the desktop's ANSI code page, in the order the boxes show them.
class FilterChoiceLists final {
public:
    // The rows of the three boxes that show a filter; -1 for none.
    struct Rows {
        int country = -1;
        int state = -1;
        int city = -1;
    };

    explicit FilterChoiceLists(const SelectionModel& selection);
    FilterChoiceLists(const FilterChoiceLists&) = delete;
    FilterChoiceLists& operator=(const FilterChoiceLists&) = delete;

    // Every country; no state or city offered.
    void offerCountries();
    // The country's states; no city offered.
    void offerStates(const CountryEntry& country);
    // The cities of the country, or of one of its states.
    void offerCities(const CountryEntry& country, const RegionEntry* state);
    void withdrawCities();
    // No state or city offered; the countries as they are.
    void withdrawStates();

    const std::vector<std::string>& countryTexts() const { return m_countryTexts; }
    const std::vector<std::string>& stateTexts() const { return m_stateTexts; }
    const std::vector<std::string>& cityTexts() const { return m_cityTexts; }

    // The entry of a row; null for a row the box does not have (-1 included).
    const CountryEntry* countryAt(int row) const;
    const RegionEntry* stateAt(int row) const;
    const CityEntry* cityAt(int row) const;
    // The filter the boxes' rows choose (the area code is not theirs).
    PopFilter chosen(const Rows& rows) const;

    // Offers what the filter's country and state bring and answers the rows
    // that show its choices; no country offered (or none given) is the
    // state of Clear: no row chosen, states and cities withdrawn.
    Rows show(const PopFilter& filter);

private:
    const SelectionModel& m_selection;
    std::vector<const CountryEntry*> m_countries;
    std::vector<const RegionEntry*> m_states;
    std::vector<CityChoice> m_cities;
    std::vector<std::string> m_countryTexts;
    std::vector<std::string> m_stateTexts;
    std::vector<std::string> m_cityTexts;
};

} // namespace tarvo
