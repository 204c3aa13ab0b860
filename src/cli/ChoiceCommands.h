#pragma once

#include "cli/Command.h"
#include "cli/FilterOptions.h"

namespace tarvo::cli {

// `countries`: the Country list's entries, "code<TAB>name", in its order.
class CountriesCommand final : public Command {
public:
    int run(CommandContext& context) override;
};

// `states --country C`: the State list's entries for a country.
class StatesCommand final : public Command {
public:
    void addOptions(OptionSet& options) override;
    int run(CommandContext& context) override;

private:
    FilterOptions m_options;
};

// `cities --country C [--state R]`: the City list's entries,
// "name<TAB>state<TAB>shown text".
class CitiesCommand final : public Command {
public:
    void addOptions(OptionSet& options) override;
    int run(CommandContext& context) override;

private:
    FilterOptions m_options;
};

} // namespace tarvo::cli
