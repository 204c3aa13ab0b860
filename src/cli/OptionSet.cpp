#include "cli/OptionSet.h"

#include <utility>

namespace tarvo::cli {

Option& OptionSet::add(std::string name, std::string help, Option::Target target)
{
    return m_options.emplace_back(Option{std::move(name), std::move(help), target, {}, false});
}

} // namespace tarvo::cli
