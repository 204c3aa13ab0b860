#pragma once

#include <string>

namespace tarvo {

// How an update run shown in a progress window ended, in the words both
// windows use: the failure's reason as the log gives it, and the summary
// the selection window's status line takes.
class UpdateSummary final {
public:
    // The summary of a run the person stopped, or one that never started
    // (another was going).
    static constexpr const char* kCancelledText = "cancelled";
    static constexpr const char* kNotStartedText = "not started, another update is running";
    static constexpr const char* kNoReason = "The log has no reason for it.";
    // The progress window's button to the run's log, and what it says when
    // the log cannot be opened (before the log's path).
    static constexpr const char* kOpenLogText = "Open &Log";
    static constexpr const char* kNoLog = "There is no log yet: ";
    static constexpr const char* kNoLogViewer = "Nothing could open the log ";

    UpdateSummary() = delete;

    // After a run ended with `finalStatus` as its last status text: why it
    // failed, as the log at `logFile` says (kNoReason when it says
    // nothing); empty when the run did not fail.
    static std::string reasonFor(const std::string& finalStatus, const std::string& logFile);

    // The status line's summary: the last status text and, after a failure,
    // the reason on one line; or that the run was cancelled or never started.
    static std::string of(bool started, bool ended, const std::string& status, const std::string& reason);
};

} // namespace tarvo
