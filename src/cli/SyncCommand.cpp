#include "cli/SyncCommand.h"

#include "app/HandheldChoice.h"
#include "app/SelectionModel.h"
#include "app/SyncApp.h"
#include "cli/CliFrontEnd.h"
#include "cli/OptionSet.h"
#include "phonebook/HandheldSet.h"
#include "sync/SyncProcedure.h"

#include <ostream>

namespace tarvo::cli {

namespace {

using Outcome = HandheldChoice::Outcome;

// Exit code for a choice that did not go through (after telling why), or
// kExitOk. An id that names nothing, or a customer POP, is a mistake in
// the command; the limit is the handheld's answer to it.
int refusal(const Outcome& outcome, SyncApp& app, CommandContext& context)
{
    if (outcome.result == Outcome::Result::LimitExceeded) {
        FrontEnd& frontEnd = context.frontEnd;
        frontEnd.messageBox(app.handheld().limitMessage(), app.applicationName(), MessageIcon::None);
        return kExitFailed;
    }
    if (!outcome.ok()) {
        context.err << HandheldChoice::describe(outcome) << '\n';
        return kExitUsage;
    }
    return kExitOk;
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
    HandheldChoice::Request request;
    if (m_options.addMatching) {
        SelectionModel model = context.model();
        PopFilter& matching = request.matching.emplace();
        if (!m_options.filter.resolve(model, matching, context.err))
            return kExitUsage;
    }
    request.removeAll = m_options.removeAll;
    request.remove = m_options.remove;
    request.add = m_options.add;

    const Outcome outcome = app.choice().apply(request);
    if (int code = refusal(outcome, app, context); code != kExitOk)
        return code;
    if (outcome.customerPops > 0)
        context.err << HandheldChoice::describe(outcome) << '\n';
    const SyncApp::Saved saved = app.synchronize();
    if (saved.retired > 0)
        context.err << SyncProcedure::retiredNote(saved.retired) << '\n';
    return saved.result == SyncProcedure::Result::Done ? kExitOk : kExitFailed;
}

} // namespace tarvo::cli
