#include "cli/SyncCommand.h"

#include "app/SelectionModel.h"
#include "app/SyncApp.h"
#include "cli/CliFrontEnd.h"
#include "sync/SyncProcedure.h"
#include "phonebook/MasterPhonebook.h"
#include "phonebook/PopRecord.h"

#include <numeric>
#include <ostream>
#include <set>

namespace tarvo::cli {

namespace {

// Rows of `list` whose POP id is one of `ids`; false (and the unknown id on
// `err`) when an id names no row.
bool rowsOf(const std::vector<PopRecord*>& list, const std::vector<std::string>& ids, std::vector<std::size_t>& rows,
            std::ostream& err)
{
    std::set<std::size_t> found;
    for (const std::string& id : ids) {
        bool any = false;
        for (std::size_t row = 0; row < list.size(); ++row) {
            if (list[row]->pop() == id) {
                found.insert(row);
                any = true;
            }
        }
        if (!any) {
            err << "Unknown POP: " << id << '\n';
            return false;
        }
    }
    rows.assign(found.begin(), found.end());
    return true;
}

std::vector<std::size_t> allRows(std::size_t count)
{
    std::vector<std::size_t> rows(count);
    std::iota(rows.begin(), rows.end(), std::size_t{0});
    return rows;
}

} // namespace

int SyncCommand::run(CommandContext& context)
{
    SyncApp& app = context.app;
    SelectionModel model = context.model();
    using List = SelectionModel::List;

    // Every id and filter is checked before anything moves, so a typo
    // changes nothing.
    model.rebuild();
    std::vector<std::size_t> addRows;
    std::vector<std::size_t> removeRows;
    if (!rowsOf(model.rows(List::Main), m_options.add, addRows, context.err))
        return kExitUsage;
    for (const std::string& id : m_options.remove) {
        std::vector<std::size_t> ignored;
        if (!rowsOf(model.rows(List::Main), {id}, ignored, context.err))
            return kExitUsage;
    }
    PopFilter matching;
    if (m_options.addMatching && !m_options.filter.resolve(model, matching, context.err))
        return kExitUsage;

    if (m_options.removeAll) {
        model.moveBack(allRows(model.rows(List::Handheld).size()));
    }
    if (!m_options.remove.empty()) {
        // POPs not on the handheld have no row there: nothing to move back.
        std::vector<std::size_t> rows;
        const auto& handheld = model.rows(List::Handheld);
        for (std::size_t row = 0; row < handheld.size(); ++row)
            for (const std::string& id : m_options.remove)
                if (handheld[row]->pop() == id)
                    rows.push_back(row);
        model.moveBack(rows);
    }
    const std::string& caption = app.applicationName();
    if (m_options.addMatching) {
        model.applyFilter(matching);
        if (!model.moveToHandheld(allRows(model.rows(List::Main).size()), context.frontEnd, caption))
            return kExitFailed;
    }
    if (!m_options.add.empty()) {
        model.applyFilter(PopFilter{});
        if (!rowsOf(model.rows(List::Main), m_options.add, addRows, context.err))
            return kExitUsage;
        if (!model.moveToHandheld(addRows, context.frontEnd, caption))
            return kExitFailed;
    }

    SyncProcedure::Files files;
    files.dialerHome = app.dialerHome();
    SyncProcedure procedure(app.phonebook().pops(), app.deviceLink(), context.frontEnd, app.profile(), files);
    if (procedure.synchronize() != SyncProcedure::Result::Done)
        return kExitFailed;
    model.setChanged(false);
    return kExitOk;
}

} // namespace tarvo::cli
