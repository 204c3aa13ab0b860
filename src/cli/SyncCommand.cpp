#include "cli/SyncCommand.h"

#include "app/HandheldChoice.h"
#include "app/SelectionModel.h"
#include "app/SyncApp.h"
#include "cli/CliFrontEnd.h"
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
        frontEnd.messageBox(app.choice().limitMessage(), app.applicationName(), MessageIcon::None);
        return kExitFailed;
    }
    if (!outcome.ok()) {
        context.err << HandheldChoice::describe(outcome) << '\n';
        return kExitUsage;
    }
    return kExitOk;
}

} // namespace

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
    return app.synchronize() == SyncProcedure::Result::Done ? kExitOk : kExitFailed;
}

} // namespace tarvo::cli
