#pragma once

#include "app/FilterChoiceLists.h"
#include "app/PopFilter.h"

class QWidget;

namespace tarvo::gui {

class SearchableComboBox;

// The selection window's Country, State and City boxes over the
// application's lists of what they offer (FilterChoiceLists): what they
// show and what they have chosen.
class FilterChoices final {
public:
    FilterChoices(const SelectionModel& selection, QWidget* parent);
    FilterChoices(const FilterChoices&) = delete;
    FilterChoices& operator=(const FilterChoices&) = delete;
    ~FilterChoices();

    SearchableComboBox* countryBox() const { return m_country; }
    SearchableComboBox* stateBox() const { return m_state; }
    SearchableComboBox* cityBox() const { return m_city; }

    // Every country; no state or city offered.
    void offerCountries();
    // The country's states, no city yet.
    void offerStates(const CountryEntry& country);
    // The cities of the country, or of one of its states.
    void offerCities(const CountryEntry& country, const RegionEntry* state);
    void withdrawCities();
    // No state or city offered; the country box as it is.
    void withdrawStates();
    // No country chosen, no state or city offered.
    void clear();

    const CountryEntry* countryAt(int row) const;
    const RegionEntry* stateAt(int row) const;
    // What the three boxes have chosen (the area code is not theirs).
    PopFilter chosen() const;

    // Sets the boxes to the filter's country, state and city, offering
    // what each choice brings; no country is Clear's state.
    void show(const PopFilter& filter);

private:
    void showStates();
    void showCities();

    FilterChoiceLists m_lists;
    SearchableComboBox* m_country;
    SearchableComboBox* m_state;
    SearchableComboBox* m_city;
};

} // namespace tarvo::gui
