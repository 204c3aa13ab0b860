#include "gui/FilterChoices.h"

#include "app/SelectionModel.h"
#include "gui/SearchableComboBox.h"
#include "phonebook/MasterPhonebook.h"
#include "text/CodePage.h"

#include <QStringList>

namespace tarvo::gui {

namespace {

QStringList fromAnsi(const std::vector<std::string>& texts)
{
    QStringList names;
    names.reserve(static_cast<qsizetype>(texts.size()));
    for (const std::string& text : texts)
        names << QString::fromStdString(CodePage::ansiToUtf8(text));
    return names;
}

} // namespace

FilterChoices::FilterChoices(const SelectionModel& selection, QWidget* parent)
    : m_lists(selection),
      m_country(new SearchableComboBox(QStringLiteral("Country"), QStringLiteral("All countries"), parent)),
      m_state(new SearchableComboBox(QStringLiteral("State"), QStringLiteral("All states"), parent)),
      m_city(new SearchableComboBox(QStringLiteral("City"), QStringLiteral("All cities"), parent))
{
}

FilterChoices::~FilterChoices() = default;

void FilterChoices::showStates()
{
    m_state->setEntries(fromAnsi(m_lists.stateTexts()));
}

void FilterChoices::showCities()
{
    m_city->setEntries(fromAnsi(m_lists.cityTexts()));
}

void FilterChoices::offerCountries()
{
    m_lists.offerCountries();
    m_country->setEntries(fromAnsi(m_lists.countryTexts()));
    showStates();
    showCities();
}

void FilterChoices::offerStates(const CountryEntry& country)
{
    m_lists.offerStates(country);
    showStates();
    showCities();
}

void FilterChoices::offerCities(const CountryEntry& country, const RegionEntry* state)
{
    m_lists.offerCities(country, state);
    showCities();
}

void FilterChoices::withdrawCities()
{
    m_lists.withdrawCities();
    showCities();
}

void FilterChoices::withdrawStates()
{
    m_lists.withdrawStates();
    showStates();
    showCities();
}

void FilterChoices::clear()
{
    m_country->clearChoice();
    withdrawStates();
}

const CountryEntry* FilterChoices::countryAt(int row) const
{
    return m_lists.countryAt(row);
}

const RegionEntry* FilterChoices::stateAt(int row) const
{
    return m_lists.stateAt(row);
}

PopFilter FilterChoices::chosen() const
{
    return m_lists.chosen({m_country->currentIndex(), m_state->currentIndex(), m_city->currentIndex()});
}

void FilterChoices::show(const PopFilter& filter)
{
    const FilterChoiceLists::Rows rows = m_lists.show(filter);
    if (rows.country < 0) {
        clear();
        return;
    }
    m_country->setCurrentIndex(rows.country);
    showStates();
    m_state->setCurrentIndex(rows.state);
    showCities();
    if (rows.city >= 0)
        m_city->setCurrentIndex(rows.city);
}

} // namespace tarvo::gui
