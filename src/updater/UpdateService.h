#pragma once

#include "support/NativePath.h"
#include "updater/UpdateContext.h"
#include "updater/UpdateEntry.h"
#include "updater/UpdateLog.h"
#include "updater/UpdateOptions.h"
#include "updater/UpdateStaging.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace tarvo {

class AtomicFile;
class FrontEnd;
class ProfileConfig;
class StagedFiles;
class TagExpander;
class UpdateList;
class UpdateObserver;

// How the last run ended, for front ends that report it (the command line's
// exit code).
enum class UpdateOutcome { UpToDate, Updated, Cancelled, Failed };

// Refreshes the dialer installation's files from a phonebook server. A run
// picks a server, fetches the profile's version list and "global.ver",
// downloads every file they name into "update", and after each pass that
// fetched everything stores the new list and backs up the installed files;
// each step goes to "log/update.log".
//
// Each pass is a transaction on "update": its downloads stay under
// temporary names until the pass commits them and its list together, so a
// failed, cancelled or killed pass leaves the staging of the passes before
// it as it was. Everything the server sends is bounded (UpdateLimits).
//
// One run at a time, on a worker thread this object owns and joins. The
// front end hears of the run only through its observer, called on the
// worker: every run that `start` accepted ends with exactly one `done`, also
// a cancelled one, and nothing follows it; the observer must live until then
// (a window that closes early keeps its relay alive until `done`). Once the
// service is destroyed nothing is called any more.
class UpdateService final {
public:
    // Results of a run, a pass and a download.
    static constexpr int kUpToDate = 0;
    static constexpr int kUpdated = 1;
    static constexpr int kCancelled = -1;
    static constexpr int kFailed = -2;
    // The status a failed run ends with; its reason is in the log.
    static constexpr const char* kFailedText = "Application update failed.";

    UpdateService(const ProfileConfig& profile, const TagExpander& tags, FrontEnd& frontEnd,
                  UpdateOptions options = {});
    UpdateService(const UpdateService&) = delete;
    UpdateService& operator=(const UpdateService&) = delete;
    // Cancels a run in progress, waits for the worker, then bounds the log.
    ~UpdateService();

    // Starts a run that reports to `observer`. While a run goes on: the
    // message box "Update already in progress", nothing else, and false.
    bool start(UpdateObserver& observer);
    // Asks the run to stop: it notices after the block it is receiving or
    // expanding (or at once while it waits for a version list or a file's
    // data), then ends with its usual reports.
    void cancel();
    [[nodiscard]] bool running() const { return m_running.load(); }
    // Waits for the worker to end; the last run's result (0, 1 or -2).
    int wait();
    [[nodiscard]] UpdateOutcome lastOutcome() const { return m_outcome.load(); }

    // Picks the server of a run and its credentials from the profile; false
    // when none is configured for the chosen set. Runs on the worker; call
    // it directly only while no run goes on.
    bool chooseServer();
    const std::string& serverUrl() const { return m_serverUrl; }
    const std::string& sessionUserId() const { return m_sessionUserId; }
    const std::string& sessionAuthHeader() const { return m_sessionAuthHeader; }

private:
    void work();
    int run();
    int runPass(const std::string& listName, const std::string& secondaryName, std::size_t index);
    int finish();
    int fetchFile(const UpdateList& remoteList, UpdateEntry& entry, StagedFiles& staged);
    int download(UpdateEntry& entry, const std::string& url, StagedFiles& staged);
    int expand(const UpdateEntry& entry, const std::string& url, const AtomicFile& compressed, StagedFiles& staged);

    // What the steps of the run share, as the run stands now.
    UpdateContext runContext() const;
    std::string file(const std::string& relative) const { return pathUnder(m_options.baseDir, relative); }

    void notifyProgress(std::uint64_t received, std::int64_t expected);
    void notifyText(const std::string& text, bool status);
    void notifyPending();
    void notifyDone();

    const ProfileConfig& m_profile;
    const TagExpander& m_tags;
    FrontEnd& m_frontEnd;
    const UpdateOptions m_options;
    const UpdateLog m_log;
    const UpdateStaging m_staging;

    std::thread m_worker;
    std::atomic<bool> m_running{false};
    // Cleared by a cancel: every wait for the server (file or version list)
    // ends at once, and a transfer or an expansion stops after its block.
    std::atomic<bool> m_keepGoing{false};
    std::array<std::atomic<int>, 2> m_result{};
    std::atomic<bool> m_cancelled{false};
    std::atomic<int> m_lastResult{kUpToDate};
    std::atomic<UpdateOutcome> m_outcome{UpdateOutcome::UpToDate};

    // Set by `start` before the worker exists, cleared by the worker after
    // `done`; the front end's thread never touches it while a run goes on.
    UpdateObserver* m_observer = nullptr;

    // Session values: written by the worker only, kept until the next run.
    std::string m_serverUrl;
    std::string m_sessionUserId;
    std::string m_sessionAuthHeader;
};

} // namespace tarvo
