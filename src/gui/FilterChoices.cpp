#include "gui/FilterChoices.h"

#include "app/SelectionModel.h"
#include "gui/SearchableComboBox.h"
#include "phonebook/MasterPhonebook.h"
#include "text/CodePage.h"

#include <QStringList>

#include <algorithm>

namespace tarvo::gui {

namespace {

QString fromAnsi(std::string_view text)
{
    return QString::fromStdString(CodePage::ansiToUtf8(text));
}

template <typename Entry>
const Entry* entryAt(const std::vector<Entry>& entries, int row)
{
    return row >= 0 && static_cast<std::size_t>(row) < entries.size() ? &entries[static_cast<std::size_t>(row)]
                                                                       : nullptr;
}

// The row of an entry in a box, -1 when the box does not offer it.
template <typename Entry>
int rowOf(const std::vector<const Entry*>& entries, const Entry* entry)
{
    const auto at = std::find(entries.begin(), entries.end(), entry);
    return entry && at != entries.end() ? static_cast<int>(at - entries.begin()) : -1;
}

} // namespace

FilterChoices::FilterChoices(const SelectionModel& selection, QWidget* parent)
    : m_selection(selection),
      m_country(new SearchableComboBox(QStringLiteral("Country"), QStringLiteral("All countries"), parent)),
      m_state(new SearchableComboBox(QStringLiteral("State"), QStringLiteral("All states"), parent)),
      m_city(new SearchableComboBox(QStringLiteral("City"), QStringLiteral("All cities"), parent))
{
}

FilterChoices::~FilterChoices() = default;

void FilterChoices::offerCountries()
{
    m_countries = m_selection.countryChoices();
    QStringList names;
    for (const CountryEntry* country : m_countries)
        names << fromAnsi(country->name);
    m_country->setEntries(names);
    withdrawStates();
}

void FilterChoices::offerStates(const CountryEntry& country)
{
    m_states = m_selection.stateChoices(country);
    QStringList names;
    for (const RegionEntry* state : m_states)
        names << fromAnsi(state->name);
    m_state->setEntries(names);
    withdrawCities();
}

void FilterChoices::offerCities(const CountryEntry& country, const RegionEntry* state)
{
    m_cities = m_selection.cityChoices(country, state);
    QStringList names;
    names.reserve(static_cast<qsizetype>(m_cities.size()));
    for (const CityChoice& city : m_cities)
        names << fromAnsi(city.text);
    m_city->setEntries(names);
}

void FilterChoices::withdrawCities()
{
    m_city->setEntries({});
    m_cities.clear();
}

void FilterChoices::withdrawStates()
{
    m_state->setEntries({});
    m_states.clear();
    withdrawCities();
}

void FilterChoices::clear()
{
    m_country->clearChoice();
    withdrawStates();
}

const CountryEntry* FilterChoices::countryAt(int row) const
{
    const CountryEntry* const* entry = entryAt(m_countries, row);
    return entry ? *entry : nullptr;
}

const RegionEntry* FilterChoices::stateAt(int row) const
{
    const RegionEntry* const* entry = entryAt(m_states, row);
    return entry ? *entry : nullptr;
}

PopFilter FilterChoices::chosen() const
{
    PopFilter filter;
    filter.country = countryAt(m_country->currentIndex());
    filter.region = stateAt(m_state->currentIndex());
    if (const CityChoice* city = entryAt(m_cities, m_city->currentIndex()))
        filter.city = city->entry;
    return filter;
}

void FilterChoices::show(const PopFilter& filter)
{
    const int countryRow = rowOf(m_countries, filter.country);
    if (countryRow < 0) {
        clear();
        return;
    }
    m_country->setCurrentIndex(countryRow);
    offerStates(*filter.country);
    const int stateRow = rowOf(m_states, filter.region);
    m_state->setCurrentIndex(stateRow);
    offerCities(*filter.country, stateRow >= 0 ? filter.region : nullptr);
    const auto city = std::find_if(m_cities.begin(), m_cities.end(),
                                   [&](const CityChoice& choice) { return filter.city && choice.entry == filter.city; });
    if (city != m_cities.end())
        m_city->setCurrentIndex(static_cast<int>(city - m_cities.begin()));
}

} // namespace tarvo::gui
