#include "win32/FilterBoxes.h"

#include "win32/resource.h"

namespace tarvo::win32 {

namespace {

// Room made in the boxes before they are filled (entries, bytes of text):
// the city box can hold thousands.
struct Room {
    int entries;
    int bytes;
};
constexpr Room kCountryRoom{150, 3000};
constexpr Room kStateRoom{50, 1000};
constexpr Room kCityRoom{500, 10000};

} // namespace

FilterBoxes::FilterBoxes(HWND dialog, const SelectionModel& selection, const std::function<void()>& typed,
                         const std::function<void()>& enter)
    : m_lists(selection),
      m_country(std::make_unique<ChoiceBox>(::GetDlgItem(dialog, IDC_COUNTRY), typed, enter)),
      m_state(std::make_unique<ChoiceBox>(::GetDlgItem(dialog, IDC_STATE), typed, enter)),
      m_city(std::make_unique<ChoiceBox>(::GetDlgItem(dialog, IDC_CITY), typed, enter))
{
}

ChoiceBox* FilterBoxes::box(int id) const
{
    switch (id) {
    case IDC_COUNTRY:
        return m_country.get();
    case IDC_STATE:
        return m_state.get();
    case IDC_CITY:
        return m_city.get();
    default:
        return nullptr;
    }
}

void FilterBoxes::fill(ChoiceBox& box, const std::vector<std::string>& texts)
{
    const Room room = &box == m_country.get() ? kCountryRoom : (&box == m_state.get() ? kStateRoom : kCityRoom);
    box.setEntries(texts, room.entries, room.bytes);
}

void FilterBoxes::offerCountries()
{
    m_lists.offerCountries();
    fill(*m_country, m_lists.countryTexts());
    withdrawStates();
    m_applied = {};
}

void FilterBoxes::offerStates(const CountryEntry& country)
{
    m_lists.offerStates(country);
    fill(*m_state, m_lists.stateTexts());
    fill(*m_city, m_lists.cityTexts());
}

void FilterBoxes::offerCities(const CountryEntry& country, const RegionEntry* state)
{
    m_lists.offerCities(country, state);
    fill(*m_city, m_lists.cityTexts());
}

void FilterBoxes::withdrawStates()
{
    m_lists.withdrawStates();
    fill(*m_state, m_lists.stateTexts());
    fill(*m_city, m_lists.cityTexts());
}

void FilterBoxes::withdrawCities()
{
    m_lists.withdrawCities();
    fill(*m_city, m_lists.cityTexts());
}

void FilterBoxes::clear()
{
    m_country->setCurrent(-1);
    m_country->setPending(false);
    withdrawStates();
    m_applied = {};
}

void FilterBoxes::show(const PopFilter& filter)
{
    const Rows rows = m_lists.show(filter);
    m_country->setCurrent(rows.country);
    fill(*m_state, m_lists.stateTexts());
    m_state->setCurrent(rows.state);
    fill(*m_city, m_lists.cityTexts());
    m_city->setCurrent(rows.city);
    m_applied = rows;
}

int FilterBoxes::takePending(ChoiceBox& box)
{
    if (!box.pending())
        return kNothingNew;
    box.setPending(false);
    const int row = box.current();
    const int applied = &box == m_country.get() ? m_applied.country
                        : &box == m_state.get() ? m_applied.state
                                                : m_applied.city;
    return row == applied ? kNothingNew : row;
}

} // namespace tarvo::win32
