#pragma once

#include "app/FilterChoiceLists.h"
#include "win32/ChoiceBox.h"

#include <windows.h>

#include <functional>
#include <memory>

namespace tarvo::win32 {

// The selection window's Country, State and City drop-down lists over the
// application's lists of what they offer (FilterChoiceLists): what they
// show, the choices the window's lists were last made with ("applied"),
// and a choice typed or picked in a box that waits to be applied.
class FilterBoxes final {
public:
    using Rows = FilterChoiceLists::Rows;

    // The three boxes of `dialog`; `typed` and `enter` as for ChoiceBox.
    FilterBoxes(HWND dialog, const SelectionModel& selection, const std::function<void()>& typed,
                const std::function<void()>& enter);
    FilterBoxes(const FilterBoxes&) = delete;
    FilterBoxes& operator=(const FilterBoxes&) = delete;

    // The box of a control number; null for another control.
    ChoiceBox* box(int id) const;
    ChoiceBox& country() const { return *m_country; }
    ChoiceBox& state() const { return *m_state; }
    ChoiceBox& city() const { return *m_city; }

    // Every country, none chosen; no state or city offered.
    void offerCountries();
    // The country's states; no city offered.
    void offerStates(const CountryEntry& country);
    void offerCities(const CountryEntry& country, const RegionEntry* state);
    void withdrawStates();
    void withdrawCities();
    // Clear: no country chosen, nothing below it offered, none applied.
    void clear();
    // A remembered filter shown and taken as applied.
    void show(const PopFilter& filter);

    const CountryEntry* countryAt(int row) const { return m_lists.countryAt(row); }
    const RegionEntry* stateAt(int row) const { return m_lists.stateAt(row); }
    // The choices the lists are made with (the area code is not theirs).
    PopFilter chosen() const { return m_lists.chosen(m_applied); }
    Rows& applied() { return m_applied; }
    bool hasStates() const { return !m_lists.stateTexts().empty(); }

    // The row waiting in `box` to be applied, or -2 when nothing new waits
    // there (-1 is an emptied box).
    static constexpr int kNothingNew = -2;
    int takePending(ChoiceBox& box);

private:
    void fill(ChoiceBox& box, const std::vector<std::string>& texts);

    FilterChoiceLists m_lists;
    std::unique_ptr<ChoiceBox> m_country;
    std::unique_ptr<ChoiceBox> m_state;
    std::unique_ptr<ChoiceBox> m_city;
    Rows m_applied;
};

} // namespace tarvo::win32
