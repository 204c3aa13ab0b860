#pragma once

#include "app/PopSort.h"
#include "cli/Command.h"
#include "cli/FilterOptions.h"

#include <string>

namespace tarvo::cli {

struct ListOptions {
    enum class Format { Table, Tsv, Json };

    FilterOptions filter;
    bool handheld = false; // the Handheld list instead of the Main list
    SortColumn sort = SortColumn::City;
    bool descending = false;
    Format format = Format::Table;
};

// `list`: the Main (or Handheld) list after the same filter and sort as the window.
class ListCommand final : public Command {
public:
    explicit ListCommand(ListOptions options = {}) : m_options(std::move(options)) {}
    void addOptions(OptionSet& options) override;
    bool finishOptions(std::ostream& err) override;
    int run(CommandContext& context) override;

private:
    ListOptions m_options;
    // --sort and --format as given; finishOptions makes `m_options` of them.
    std::string m_sortName = "city";
    std::string m_formatName = "table";
};

} // namespace tarvo::cli
