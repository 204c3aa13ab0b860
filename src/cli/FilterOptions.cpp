#include "cli/FilterOptions.h"

#include "app/SelectionModel.h"
#include "cli/OptionSet.h"

#include <ostream>

namespace tarvo::cli {

void FilterOptions::addOptions(OptionSet& options)
{
    options.add("--country", kCountryHelp, &country);
    options.add("--state", kStateHelp, &state);
    options.add("--city", "City name", &city);
    options.add("--area-code", "Area code", &areaCode);
}

bool FilterOptions::resolve(const SelectionModel& model, PopFilter& filter, std::ostream& err) const
{
    filter = PopFilter{};
    if ((state || city) && !country) {
        err << "--state and --city need --country: states and cities are chosen within a country\n";
        return false;
    }
    if (country) {
        filter.country = model.findCountry(*country);
        if (!filter.country) {
            err << "Unknown country code: " << *country << '\n';
            return false;
        }
    }
    if (state) {
        filter.region = model.findState(*filter.country, *state);
        if (!filter.region) {
            err << "Unknown state " << *state << " in country " << *country << '\n';
            return false;
        }
    }
    if (city) {
        filter.city = model.findCity(*filter.country, filter.region, *city);
        if (!filter.city) {
            err << "Unknown city: " << *city << '\n';
            return false;
        }
    }
    if (areaCode)
        filter.areaCode = *areaCode;
    return true;
}

} // namespace tarvo::cli
