#include "cli/SyncCommand.h"

#include "app/SelectionModel.h"
#include "app/SyncApp.h"
#include "cli/CliFrontEnd.h"
#include "cli/OptionSet.h"
#include "phonebook/MasterPhonebook.h"
#include "phonebook/PopRecord.h"
#include "sync/SyncProcedure.h"

#include <numeric>
#include <ostream>
#include <string_view>
#include <unordered_set>

namespace tarvo::cli {

namespace {

using IdSet = std::unordered_set<std::string_view>;

IdSet idSet(const std::vector<std::string>& ids)
{
    return IdSet(ids.begin(), ids.end());
}

// True when every id names a row of `list`; otherwise the first id (in the
// order given) that names none goes to `err`.
bool allKnown(const std::vector<PopRecord*>& list, const std::vector<std::string>& ids, std::ostream& err)
{
    IdSet unknown = idSet(ids);
    for (const PopRecord* pop : list)
        unknown.erase(pop->pop());
    for (const std::string& id : ids) {
        if (unknown.contains(id)) {
            err << "Unknown POP: " << id << '\n';
            return false;
        }
    }
    return true;
}

// The rows of `list` whose POP id is one of `ids`, in list order.
std::vector<std::size_t> rowsWithIds(const std::vector<PopRecord*>& list, const std::vector<std::string>& ids)
{
    const IdSet wanted = idSet(ids);
    std::vector<std::size_t> rows;
    for (std::size_t row = 0; row < list.size(); ++row)
        if (wanted.contains(list[row]->pop()))
            rows.push_back(row);
    return rows;
}

std::vector<std::size_t> allRows(std::size_t count)
{
    std::vector<std::size_t> rows(count);
    std::iota(rows.begin(), rows.end(), std::size_t{0});
    return rows;
}

} // namespace

void SyncCommand::addOptions(OptionSet& options)
{
    options.add("--add", "POP id to put on the handheld (repeatable)", &m_options.add);
    options.add("--remove", "POP id to take off the handheld (repeatable)", &m_options.remove);
    options.add("--add-matching", "Put every POP passing --country/--state/--city/--area-code on the handheld",
                &m_options.addMatching);
    options.add("--remove-all", "Take every POP off the handheld", &m_options.removeAll);
    options.add("--force",
                "Replace the handheld's phonebook or tables even where the window would ask first "
                "(a phonebook that could not be read, an empty master phonebook, an empty table)",
                &m_options.force);
    m_options.filter.addOptions(options);
}

bool SyncCommand::finishOptions(std::ostream& err)
{
    const FilterOptions& filter = m_options.filter;
    if (m_options.addMatching && !filter.country && !filter.areaCode) {
        err << "--add-matching needs a filter (--country or --area-code)\n";
        return false;
    }
    if (!m_options.addMatching && filter.given()) {
        err << "--country, --state, --city and --area-code choose what --add-matching adds: give --add-matching "
               "with them\n";
        return false;
    }
    return true;
}

int SyncCommand::run(CommandContext& context)
{
    SyncApp& app = context.app;
    SelectionModel model = context.model();
    using List = SelectionModel::List;

    // Every id and filter is checked before anything moves, so a typo
    // changes nothing. With no filter the Main list holds every POP.
    model.rebuild();
    if (!allKnown(model.rows(List::Main), m_options.add, context.err)
        || !allKnown(model.rows(List::Main), m_options.remove, context.err))
        return kExitUsage;
    PopFilter matching;
    if (m_options.addMatching && !m_options.filter.resolve(model, matching, context.err))
        return kExitUsage;

    if (m_options.removeAll)
        model.moveBack(allRows(model.rows(List::Handheld).size()));
    // POPs not on the handheld have no row there: nothing to move back.
    if (!m_options.remove.empty())
        model.moveBack(rowsWithIds(model.rows(List::Handheld), m_options.remove));
    const std::string& caption = app.applicationName();
    if (m_options.addMatching) {
        model.applyFilter(matching);
        if (!model.moveToHandheld(allRows(model.rows(List::Main).size()), context.frontEnd, caption))
            return kExitFailed;
    }
    if (!m_options.add.empty()) {
        model.applyFilter(PopFilter{});
        if (!model.moveToHandheld(rowsWithIds(model.rows(List::Main), m_options.add), context.frontEnd, caption))
            return kExitFailed;
    }

    SyncProcedure::Files files;
    files.dialerHome = app.dialerHome();
    SyncProcedure procedure(app.phonebook().pops(), app.phonebook().readBackOutcome(), app.deviceLink(),
                            context.frontEnd, app.profile(), files);
    return procedure.synchronize() == SyncProcedure::Result::Done ? kExitOk : kExitFailed;
}

} // namespace tarvo::cli
