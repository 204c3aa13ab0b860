#pragma once

#include "cli/Command.h"
#include "cli/FilterOptions.h"

namespace tarvo::cli {

struct ListOptions {
    FilterOptions filter;
    bool handheld = false;      // the Handheld list instead of the Main list
    std::string sort = "city";  // "city" or "number"
    bool descending = false;
    std::string format = "table"; // "table" or "tsv"
};

// `list`: the Main (or Handheld) list after the same filter and sort as the window.
class ListCommand final : public Command {
public:
    explicit ListCommand(ListOptions options) : m_options(std::move(options)) {}
    int run(CommandContext& context) override;

private:
    ListOptions m_options;
};

} // namespace tarvo::cli
