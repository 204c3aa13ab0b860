#include "app/FilterMemory.h"

#include "app/SelectionModel.h"
#include "app/UserSettings.h"
#include "phonebook/MasterPhonebook.h"

#include <algorithm>

namespace tarvo {

namespace {

template <typename Entry>
bool offered(const std::vector<const Entry*>& choices, const Entry* entry)
{
    return entry && std::find(choices.begin(), choices.end(), entry) != choices.end();
}

} // namespace

PopFilter FilterMemory::restore(const SelectionModel& selection, const UserSettings& settings)
{
    const UserSettings::LastFilter& last = settings.lastFilter();
    PopFilter filter;
    const CountryEntry* country = selection.findCountry(last.country);
    if (!last.country.empty() && offered(selection.countryChoices(), country)) {
        filter.country = country;
        const RegionEntry* state = last.region.empty() ? nullptr : selection.findState(*country, last.region);
        if (offered(selection.stateChoices(*country), state))
            filter.region = state;
        if (!last.city.empty() && (filter.region || last.region.empty())) {
            const std::string& cityRegion = filter.region ? filter.region->regionCode : last.cityRegion;
            for (const CityChoice& choice : selection.cityChoices(*country, filter.region)) {
                if (choice.entry->city == last.city && (cityRegion.empty() || choice.entry->region == cityRegion)) {
                    filter.city = choice.entry;
                    break;
                }
            }
        }
    }
    m_restored = filter;
    m_hasRestored = true;
    return filter;
}

void FilterMemory::remember(UserSettings& settings, const PopFilter& chosen) const
{
    if (!m_hasRestored)
        return;
    if (chosen.country == m_restored.country && chosen.region == m_restored.region && chosen.city == m_restored.city)
        return;
    UserSettings::LastFilter last;
    if (chosen.country)
        last.country = chosen.country->code;
    if (chosen.region)
        last.region = chosen.region->regionCode;
    if (chosen.city) {
        last.city = std::string(chosen.city->city);
        last.cityRegion = std::string(chosen.city->region);
    }
    settings.rememberFilter(std::move(last));
}

} // namespace tarvo
