#include "cli/ChoiceCommands.h"

#include "app/SelectionModel.h"
#include "app/SyncApp.h"
#include "cli/OptionSet.h"
#include "phonebook/CityTable.h"
#include "phonebook/CountryTable.h"
#include "phonebook/MasterPhonebook.h"
#include "phonebook/RegionTable.h"
#include "text/CodePage.h"

#include <ostream>

namespace tarvo::cli {

namespace {

std::string shown(std::string_view ansi)
{
    return CodePage::ansiToUtf8(ansi);
}

} // namespace

int CountriesCommand::run(CommandContext& context)
{
    SelectionModel model = context.model();
    for (const CountryEntry* country : model.countryChoices())
        context.out << shown(country->code) << '\t' << shown(country->name) << '\n';
    return kExitOk;
}

void StatesCommand::addOptions(OptionSet& options)
{
    options.add("--country", FilterOptions::kCountryHelp, &m_options.country).required = true;
}

int StatesCommand::run(CommandContext& context)
{
    SelectionModel model = context.model();
    PopFilter filter;
    if (!m_options.resolve(model, filter, context.err))
        return kExitUsage;
    for (const RegionEntry* state : model.stateChoices(*filter.country))
        context.out << shown(state->regionCode) << '\t' << shown(state->name) << '\n';
    return kExitOk;
}

void CitiesCommand::addOptions(OptionSet& options)
{
    options.add("--country", FilterOptions::kCountryHelp, &m_options.country).required = true;
    options.add("--state", FilterOptions::kStateHelp, &m_options.state);
}

int CitiesCommand::run(CommandContext& context)
{
    SelectionModel model = context.model();
    PopFilter filter;
    if (!m_options.resolve(model, filter, context.err))
        return kExitUsage;
    for (const CityChoice& city : model.cityChoices(*filter.country, filter.region))
        context.out << shown(city.entry->city) << '\t' << shown(city.entry->region) << '\t' << shown(city.text)
                    << '\n';
    return kExitOk;
}

} // namespace tarvo::cli
