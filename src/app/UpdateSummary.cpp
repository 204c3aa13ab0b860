#include "app/UpdateSummary.h"

#include "updater/UpdateLog.h"
#include "updater/UpdateService.h"

namespace tarvo {

std::string UpdateSummary::reasonFor(const std::string& finalStatus, const std::string& logFile)
{
    if (finalStatus != UpdateService::kFailedText)
        return {};
    std::string reason = UpdateLog(logFile).lastReason();
    return reason.empty() ? std::string(kNoReason) : reason;
}

std::string UpdateSummary::of(bool started, bool ended, const std::string& status, const std::string& reason)
{
    // The status line still says what the run was doing when it stopped.
    if (!ended)
        return started ? kCancelledText : kNotStartedText;
    if (reason.empty())
        return status;
    std::string oneLine = status + " ";
    for (char c : reason) {
        if (c == '\n')
            oneLine += "; ";
        else
            oneLine += c;
    }
    return oneLine;
}

} // namespace tarvo
