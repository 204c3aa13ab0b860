#pragma once

#include "cli/Command.h"
#include "cli/FilterOptions.h"

#include <string>
#include <vector>

namespace tarvo::cli {

struct SyncOptions {
    std::vector<std::string> add;    // POP ids to move to the handheld
    std::vector<std::string> remove; // POP ids to move back
    bool addMatching = false;        // every POP passing `filter`
    bool removeAll = false;
    bool force = false; // answers Yes where the window would ask leave to replace the handheld's data
    FilterOptions filter;
};

// `sync`: applies the moves as the window would (the handheld limit
// included), then runs the synchronization. Order: remove all, remove,
// add matching, add.
class SyncCommand final : public Command {
public:
    explicit SyncCommand(SyncOptions options = {}) : m_options(std::move(options)) {}
    void addOptions(OptionSet& options) override;
    // The filter options say what --add-matching adds: one needs the other.
    bool finishOptions(std::ostream& err) override;
    bool answersYes() const override { return m_options.force; }
    int run(CommandContext& context) override;

private:
    SyncOptions m_options;
};

} // namespace tarvo::cli
