#include "cli/UpdateCommand.h"

#include "app/SyncApp.h"
#include "cli/InterruptCatcher.h"
#include "cli/UpdateProgressPrinter.h"
#include "updater/ThrottledUpdateObserver.h"
#include "updater/UpdateService.h"

#include <unistd.h>

#include <chrono>
#include <iostream>
#include <thread>

namespace tarvo::cli {

namespace {
constexpr std::chrono::milliseconds kPoll{50};
}

int UpdateCommand::run(CommandContext& context)
{
    UpdateService& service = context.app.updateService();
    const bool terminal = &context.err == &std::cerr && ::isatty(STDERR_FILENO) == 1;
    UpdateProgressPrinter printer(context.err, terminal);
    ThrottledUpdateObserver throttled(printer);
    InterruptCatcher interrupt;

    if (!service.start(throttled))
        return kExitFailed;
    bool cancelled = false;
    while (service.running()) {
        if (!cancelled && interrupt.caught()) {
            // Like closing the progress window: the run stops after the
            // block it is receiving and ends with its usual reports.
            service.cancel();
            cancelled = true;
        }
        std::this_thread::sleep_for(kPoll);
    }
    (void)service.wait();

    switch (service.lastOutcome()) {
    case UpdateOutcome::UpToDate:
    case UpdateOutcome::Updated:
        return kExitOk;
    case UpdateOutcome::Cancelled:
        context.err << "Update cancelled.\n";
        return kExitCancelled;
    case UpdateOutcome::Failed:
        break;
    }
    return kExitFailed;
}

} // namespace tarvo::cli
