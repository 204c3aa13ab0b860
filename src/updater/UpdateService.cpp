#include "updater/UpdateService.h"

#include "config/ProfileConfig.h"
#include "support/AtomicFile.h"
#include "support/FileHandle.h"
#include "support/FrontEnd.h"
#include "support/HttpClient.h"
#include "support/ThreadPriority.h"
#include "text/TagExpander.h"
#include "updater/GzipExpander.h"
#include "updater/UpdateIoError.h"
#include "updater/UpdateList.h"
#include "updater/UpdateObserver.h"
#include "updater/UpdatePaths.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <new>
#include <random>
#include <system_error>

namespace tarvo {

namespace {

constexpr const char* kAlreadyRunning = "Update already in progress";
constexpr const char* kUpToDateText = "The Application is up to date.";
constexpr const char* kUpdatedText = "Application was downloaded successfully.";
// The run's error description is cut to what the log record held.
constexpr std::size_t kMaxErrorText = 259;
constexpr std::size_t kBlock = 1024;
constexpr std::size_t kStreamBuffer = 1 << 18;

enum ServerSet { kGlobalSet = 1, kProfileSet = 2, kEitherSet = 3 };

// "Sun Dec 06 19:48:22 2026" and a line feed, in English whatever the
// locale says, as the log has always been written.
std::string logTime(std::time_t when)
{
    static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm tm{};
    if (::localtime_r(&when, &tm) == nullptr)
        return "??? ??? ?? ??:??:?? ????\n";
    char text[64];
    std::snprintf(text, sizeof text, "%s %s %02d %02d:%02d:%02d %d\n", kDays[tm.tm_wday % 7], kMonths[tm.tm_mon % 12],
                  tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, tm.tm_year + 1900);
    return text;
}

void closeOrThrow(FilePtr& file, const std::string& name)
{
    errno = 0;
    if (std::fclose(file.release()) != 0)
        throw UpdateIoError(errno != 0 ? errno : EIO, name);
}

} // namespace

UpdateService::UpdateService(const ProfileConfig& profile, const TagExpander& tags, FrontEnd& frontEnd,
                             UpdateOptions options)
    : m_profile(profile), m_tags(tags), m_frontEnd(frontEnd), m_options(std::move(options)),
      m_log(m_options.baseDir / kUpdateLogFile), m_staging(m_options.baseDir, tags)
{
}

UpdateService::~UpdateService()
{
    m_stopping = true;
    cancel();
    if (m_worker.joinable())
        m_worker.join();
    m_log.limitSize();
}

bool UpdateService::start(UpdateObserver& observer)
{
    if (m_running.load()) {
        m_frontEnd.messageBox(kAlreadyRunning, m_profile.appNameUtf8(), MessageIcon::None);
        return false;
    }
    // The previous worker has reported its end; it only has to be collected.
    if (m_worker.joinable())
        m_worker.join();
    m_keepGoing = true;
    m_cancelled = false;
    m_observer = &observer;
    m_running = true;
    try {
        m_worker = std::thread(&UpdateService::work, this);
    } catch (const std::system_error& error) {
        m_log.write(error.what());
        notifyText(kFailedText, true);
        notifyDone();
        m_lastResult = kFailed;
        m_outcome = UpdateOutcome::Failed;
        m_running = false;
    }
    return true;
}

void UpdateService::cancel()
{
    m_keepGoing = false;
}

int UpdateService::wait()
{
    if (m_worker.joinable() && m_worker.get_id() != std::this_thread::get_id())
        m_worker.join();
    return m_lastResult.load();
}

void UpdateService::work()
{
    if (m_options.workerPriority == WorkerPriority::Idle)
        (void)lowerCurrentThreadToIdlePriority();
    const int result = run();
    m_lastResult = result;
    if (result == kUpdated)
        m_outcome = UpdateOutcome::Updated;
    else if (result == kUpToDate)
        m_outcome = UpdateOutcome::UpToDate;
    else
        m_outcome = m_cancelled.load() ? UpdateOutcome::Cancelled : UpdateOutcome::Failed;
    // Cleared only after the last report: a run started in between would
    // otherwise hand this run's final reports to its own observer.
    m_running = false;
}

bool UpdateService::chooseServer()
{
    const std::vector<std::string>& global = m_profile.globalServers();
    const std::vector<std::string>& own = m_profile.profileServers();
    const auto globalCount = static_cast<std::uint32_t>(global.size());
    const auto profileCount = static_cast<std::uint32_t>(own.size());
    if (globalCount + profileCount == 0)
        return false;

    std::mt19937 generator;
    std::function<std::uint32_t()> random = m_options.random;
    if (!random) {
        generator.seed(static_cast<std::mt19937::result_type>(m_options.clock ? m_options.clock() : std::time(nullptr)));
        random = [&generator] { return static_cast<std::uint32_t>(generator()); };
    }

    int mode = m_profile.pbServer();
    if (mode == kEitherSet)
        mode = random() % (globalCount + profileCount) < globalCount ? kGlobalSet : kProfileSet;
    if (mode == kGlobalSet) {
        if (globalCount == 0)
            return false;
        m_serverUrl = global[random() % globalCount];
        m_sessionUserId = m_profile.globalUserId();
        m_sessionAuthHeader = m_profile.globalAuthHeader();
    } else if (mode == kProfileSet) {
        if (profileCount == 0)
            return false;
        m_serverUrl = own[random() % profileCount];
        m_sessionUserId = m_profile.profileUserId();
        m_sessionAuthHeader = m_profile.profileAuthHeader();
    }
    // Any other setting chooses nothing: the previous run's server stays.
    if (m_sessionUserId.empty()) {
        m_sessionUserId = m_profile.globalUserId();
        m_sessionAuthHeader = m_profile.globalAuthHeader();
    }
    return true;
}

int UpdateService::run()
{
    m_result[0] = kUpToDate;
    m_result[1] = kUpToDate;
    // A run that was killed while it stored a list or a backup leaves its
    // temporary file behind, which an installer must not take for a file
    // to install. This worker is the only writer of both folders.
    (void)AtomicFile::removeLeftoversIn(file(std::string(kUpdateFolder)));
    (void)AtomicFile::removeLeftoversIn(file(std::string(kBackupFolder)));
    if (!chooseServer()) {
        m_log.write("No URL available");
        m_result[0] = kFailed;
        return finish();
    }
    const std::time_t now = m_options.clock ? m_options.clock() : std::time(nullptr);
    m_log.write("\n** " + logTime(now) + "** Using " + m_serverUrl);

    const std::string listName = m_tags.Expand(kProfileListPattern);
    try {
        runPass(listName, "", 0);
        runPass(std::string(kGlobalList), listName, 1);
    } catch (const std::exception& error) {
        // A local file that cannot be written, or no memory: the run ends.
        std::string text = error.what();
        if (text.size() > kMaxErrorText)
            text.resize(kMaxErrorText);
        m_log.write(text);
        m_result[0] = kFailed;
    }
    return finish();
}

int UpdateService::runPass(const std::string& listName, const std::string& secondaryName, std::size_t index)
{
    if (m_result[0] < 0 || m_result[1] < 0)
        return kFailed;
    m_log.write("\n(" + listName + ")");

    const UpdateContext lists = listContext();
    UpdateList local;
    UpdateList remote;
    UpdateList secondary;
    (void)local.load(listName, ListSource::Local, lists);
    int err = remote.load(listName, ListSource::Remote, lists);
    if (!secondaryName.empty())
        (void)secondary.load(secondaryName, ListSource::Local, lists);

    // Every file the server lists is fetched; a file that the profile's own
    // list names is left to the profile's pass.
    std::vector<UpdateEntry> set;
    for (const UpdateEntry& entry : remote.entries()) {
        if (secondary.find(entry.name) == nullptr)
            set.push_back(UpdateEntry::parse(entry.line, m_tags));
    }

    if (!set.empty())
        notifyPending();
    try {
        for (UpdateEntry& entry : set) {
            notifyText("", false);
            notifyText("Getting " + entry.name, true);
            err = fetchFile(remote, entry);
            if (err != 0)
                break;
        }
    } catch (...) {
        // Half a pass must not stay staged for the installer.
        m_staging.discardDownloads(set);
        throw;
    }

    if (set.empty() && err == 0) {
        m_result[index] = kUpToDate;
        m_log.write("Files are up to date");
    } else if (err != 0) {
        m_result[index] = kFailed;
        if (err == kCancelled)
            m_cancelled = true;
        m_staging.discardDownloads(set);
        m_log.write("Update process failed " + std::to_string(err));
    } else {
        m_staging.commitPass(local, remote, set, listName);
        m_result[index] = kUpdated;
        m_log.write("Update process succeeded");
    }
    return m_result[index];
}

int UpdateService::finish()
{
    const char* text = kUpToDateText;
    int result = kUpToDate;
    for (const std::atomic<int>& passResult : m_result) {
        if (passResult == kFailed) {
            notifyText(kFailedText, true);
            notifyDone();
            return kFailed;
        }
        if (passResult == kUpdated) {
            text = kUpdatedText;
            result = kUpdated;
        }
    }
    notifyText(text, true);
    notifyDone();
    return result;
}

int UpdateService::fetchFile(const UpdateList& remoteList, UpdateEntry& entry)
{
    // Two lines of the same name both take the version of the first.
    const UpdateEntry* listed = remoteList.find(entry.name);
    entry.suffix = listed != nullptr ? listed->major : 0;
    const std::string url = m_serverUrl + "/" + entry.remotePath();
    m_log.write("Retrieving " + url);
    try {
        return download(entry, url);
    } catch (const UpdateIoError& error) {
        m_log.write("Download() failed <" + url + ">");
        m_log.write(error.file(), error.cause());
        throw;
    } catch (const std::bad_alloc&) {
        m_log.write("Download() failed <" + url + ">");
        throw;
    }
}

int UpdateService::download(UpdateEntry& entry, const std::string& url)
{
    const UpdateContext context = fileContext();
    HttpOpenResult opened = HttpConnection::openWithReason(url, context.authHeader, context.http);
    HttpHandle handle = std::move(opened.connection);
    if (!handle) {
        m_log.write("Unable to contact " + url);
        m_log.write(opened.failure);
        return kFailed;
    }
    if (const int status = HttpStatusCode(handle); status != 200) {
        m_log.write("Unable to retrieve file", status);
        return kFailed;
    }
    const int size = HttpSize(handle);

    const std::string updatePath = entry.updatePath();
    // Declared before the file, so it outlives the stream that uses it.
    auto streamBuffer = std::make_unique<char[]>(kStreamBuffer);
    FilePtr output = openFile(file(updatePath), "wb");
    if (!output) {
        m_log.write("Can't write to local file " + updatePath);
        return kFailed;
    }
    // The 1024-byte blocks reach the disk in large writes (stdio only takes
    // a larger size along with a buffer of the caller's).
    std::setvbuf(output.get(), streamBuffer.get(), _IOFBF, kStreamBuffer);

    char buffer[kBlock];
    std::int64_t received = 0;
    int n;
    while ((n = HttpRecv(handle, buffer, sizeof buffer)) >= 1) {
        const auto bytes = static_cast<std::size_t>(n);
        if (std::fwrite(buffer, 1, bytes, output.get()) != bytes)
            throw UpdateIoError(errno != 0 ? errno : EIO, updatePath);
        received += n;
        notifyProgress(static_cast<std::uint32_t>(received), size);
        if (!m_keepGoing.load()) {
            m_log.write("User cancelled: " + url);
            return kCancelled;
        }
    }
    // A cancel also ends the wait for a server that stopped sending.
    if (n < 0 && !m_keepGoing.load()) {
        m_log.write("User cancelled: " + url);
        return kCancelled;
    }
    const std::uint32_t checksum = handle->checksum();
    HttpClose(handle);
    closeOrThrow(output, updatePath);

    if (size != received) {
        m_log.write("Expected " + std::to_string(size) + " bytes - received " + std::to_string(received));
        return kFailed;
    }
    if (entry.checksum != 0 && entry.checksum != checksum) {
        m_log.write("Checksum error - expected " + std::to_string(entry.checksum) + ", got " +
                    std::to_string(checksum));
        return kFailed;
    }
    return entry.compressed ? expand(entry) : kUpToDate;
}

int UpdateService::expand(const UpdateEntry& entry)
{
    const std::string updatePath = entry.updatePath();
    const std::string gzPath = updatePath + ".gz";
    std::remove(file(gzPath).c_str());
    if (std::rename(file(updatePath).c_str(), file(gzPath).c_str()) != 0) {
        m_log.write("Unable to move file " + entry.localName() + " to " + gzPath);
        return kFailed;
    }
    switch (GzipExpander::expand(file(gzPath), file(updatePath), entry.binary, updatePath)) {
    case GzipExpander::Result::Expanded:
        return kUpToDate;
    case GzipExpander::Result::CannotCreateOutput:
        m_log.write("Can't write to local file " + updatePath);
        return kFailed;
    case GzipExpander::Result::CannotOpenCompressed:
        m_log.write("Unable to open compressed file " + entry.localName());
        return kFailed;
    case GzipExpander::Result::Corrupt:
        m_log.write("Unable to expand compressed file " + entry.localName());
        return kFailed;
    }
    return kFailed;
}

UpdateContext UpdateService::listContext() const
{
    UpdateContext context{m_options.baseDir, m_tags, m_log, m_serverUrl, m_sessionAuthHeader, {}};
    context.http.connectTimeout = m_options.httpTimeout;
    context.http.idleTimeout = m_options.httpTimeout;
    // A cancel leaves version lists alone; only the service's end cuts them.
    context.http.abort = [this] { return m_stopping.load(); };
    return context;
}

UpdateContext UpdateService::fileContext() const
{
    UpdateContext context = listContext();
    context.http.abort = [this] { return !m_keepGoing.load(); };
    return context;
}

void UpdateService::notifyProgress(std::uint32_t received, std::int32_t expected)
{
    if (m_observer != nullptr)
        m_observer->progress(received, expected);
}

void UpdateService::notifyText(const std::string& text, bool status)
{
    if (m_observer != nullptr)
        m_observer->text(text, status ? UpdateTextTarget::Status : UpdateTextTarget::Caption);
}

void UpdateService::notifyPending()
{
    if (m_observer != nullptr)
        m_observer->pending();
}

void UpdateService::notifyDone()
{
    if (m_observer != nullptr)
        m_observer->done();
    m_observer = nullptr;
}

} // namespace tarvo
