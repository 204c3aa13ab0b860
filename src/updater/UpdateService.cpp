#include "updater/UpdateService.h"

#include "config/ProfileConfig.h"
#include "support/AtomicFile.h"
#include "support/DiskSpace.h"
#include "support/FrontEnd.h"
#include "support/HttpClient.h"
#include "support/LocalTime.h"
#include "support/ThreadPriority.h"
#include "text/TagExpander.h"
#include "updater/GzipExpander.h"
#include "updater/StagedFiles.h"
#include "updater/UpdateIoError.h"
#include "updater/UpdateList.h"
#include "updater/UpdateObserver.h"
#include "updater/UpdatePaths.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <limits>
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
// The 1024-byte blocks are gathered and reach the disk in writes this large.
constexpr std::size_t kWriteBuffer = 1 << 18;
// Free space is looked at whenever this much more has been received.
constexpr std::uint64_t kSpaceCheckEvery = std::uint64_t{8} << 20;

enum ServerSet { kGlobalSet = 1, kProfileSet = 2, kEitherSet = 3 };

// "Sun Dec 06 19:48:22 2026" and a line feed, in English whatever the
// locale says, as the log has always been written.
std::string logTime(std::time_t when)
{
    static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm tm{};
    if (!toLocalTime(when, tm))
        return "??? ??? ?? ??:??:?? ????\n";
    char text[64];
    std::snprintf(text, sizeof text, "%s %s %02d %02d:%02d:%02d %d\n", kDays[tm.tm_wday % 7], kMonths[tm.tm_mon % 12],
                  tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, tm.tm_year + 1900);
    return text;
}

// Gathers received blocks and writes them to a staged file in large
// pieces; a failed write throws `UpdateIoError` naming the file.
class BlockWriter {
public:
    BlockWriter(AtomicFile& file, std::string name)
        : m_file(file), m_name(std::move(name)), m_buffer(std::make_unique<char[]>(kWriteBuffer))
    {
    }

    void add(const char* data, std::size_t size)
    {
        if (m_used + size > kWriteBuffer)
            flush();
        std::copy(data, data + size, m_buffer.get() + m_used);
        m_used += size;
    }

    void flush()
    {
        errno = 0;
        if (m_used > 0 && !m_file.write(std::string_view(m_buffer.get(), m_used)))
            throw UpdateIoError(errno != 0 ? errno : EIO, m_name);
        m_used = 0;
    }

    // Everything written, synced and closed (the file keeps its temporary
    // name until the pass commits).
    void finish()
    {
        flush();
        errno = 0;
        if (!m_file.finish())
            throw UpdateIoError(errno != 0 ? errno : EIO, m_name);
    }

private:
    AtomicFile& m_file;
    std::string m_name;
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_used = 0;
};

} // namespace

UpdateService::UpdateService(const ProfileConfig& profile, const TagExpander& tags, FrontEnd& frontEnd,
                             UpdateOptions options)
    : m_profile(profile), m_tags(tags), m_frontEnd(frontEnd), m_options(std::move(options)),
      m_log(m_options.baseDir / kUpdateLogFile, m_options.limits.logRecords),
      m_staging(m_options.baseDir, tags, m_log)
{
}

UpdateService::~UpdateService()
{
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
    m_log.beginRun();
    // A run that was killed while it downloaded, stored a list or made a
    // backup leaves its temporary files behind, which an installer must not
    // take for files to install. This worker is the only writer of both
    // folders (the working folder's lock keeps other copies away).
    (void)AtomicFile::removeLeftoversIn(file(std::string(kUpdateFolder)));
    (void)AtomicFile::removeLeftoversIn(file(std::string(kBackupFolder)));
    if (!chooseServer()) {
        m_log.writeAlways("No URL available");
        m_result[0] = kFailed;
        return finish();
    }
    const std::time_t now = m_options.clock ? m_options.clock() : std::time(nullptr);
    m_log.writeAlways("\n** " + logTime(now) + "** Using " + m_serverUrl);

    const std::string listName = m_tags.expand(kProfileListPattern);
    try {
        runPass(listName, "", 0);
        runPass(std::string(kGlobalList), listName, 1);
    } catch (const std::exception& error) {
        // A local file that cannot be written, or no memory: the run ends.
        std::string text = error.what();
        if (text.size() > kMaxErrorText)
            text.resize(kMaxErrorText);
        m_log.writeAlways(text);
        m_result[0] = kFailed;
    }
    return finish();
}

int UpdateService::runPass(const std::string& listName, const std::string& secondaryName, std::size_t index)
{
    if (m_result[0] < 0 || m_result[1] < 0)
        return kFailed;
    m_log.writeAlways("\n(" + listName + ")");

    const UpdateContext lists = runContext();
    UpdateList local;
    UpdateList remote;
    UpdateList secondary;
    int err = local.load(listName, ListSource::Local, lists);
    if (err == 0)
        err = remote.load(listName, ListSource::Remote, lists);
    if (err == 0 && !secondaryName.empty())
        err = secondary.load(secondaryName, ListSource::Local, lists);

    // Every file the server lists is fetched; a file that the profile's own
    // list names is left to the profile's pass.
    std::vector<UpdateEntry> set;
    if (err == 0) {
        for (const UpdateEntry& entry : remote.entries()) {
            if (secondary.find(entry.name) == nullptr)
                set.push_back(UpdateEntry::parse(entry.line, m_tags));
        }
    }

    // What the pass downloads stays under temporary names until it commits;
    // an error that ends the run takes them along.
    StagedFiles staged(m_options.baseDir);
    if (!set.empty())
        notifyPending();
    for (UpdateEntry& entry : set) {
        notifyText("", false);
        notifyText("Getting " + entry.name, true);
        err = fetchFile(remote, entry, staged);
        if (err != 0)
            break;
    }

    if (set.empty() && err == 0) {
        m_result[index] = kUpToDate;
        m_log.writeAlways("Files are up to date");
        return m_result[index];
    }
    if (err == 0) {
        const std::string otherList = secondaryName.empty() ? std::string(kGlobalList) : secondaryName;
        err = m_staging.commitPass(local, remote, set, listName, otherList, staged, lists) == kUpdated ? 0 : kFailed;
    }
    if (err != 0) {
        m_result[index] = kFailed;
        if (err == kCancelled)
            m_cancelled = true;
        m_log.writeAlways("Update process failed " + std::to_string(err));
    } else {
        m_result[index] = kUpdated;
        m_log.writeAlways("Update process succeeded");
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

int UpdateService::fetchFile(const UpdateList& remoteList, UpdateEntry& entry, StagedFiles& staged)
{
    // Names are unique in a list; a file the list does not hold (it cannot
    // be, the set comes from it) would take no version.
    const UpdateEntry* listed = remoteList.find(entry.name);
    entry.suffix = listed != nullptr ? listed->major : 0;
    const std::string url = m_serverUrl + "/" + entry.remotePath();
    m_log.write("Retrieving " + url);
    try {
        return download(entry, url, staged);
    } catch (const UpdateIoError& error) {
        m_log.writeAlways("Download() failed <" + url + ">");
        m_log.writeAlways(error.file(), error.cause());
        throw;
    } catch (const std::bad_alloc&) {
        m_log.writeAlways("Download() failed <" + url + ">");
        throw;
    }
}

int UpdateService::download(UpdateEntry& entry, const std::string& url, StagedFiles& staged)
{
    const UpdateContext context = runContext();
    const UpdateLimits& limits = m_options.limits;
    HttpOpenResult opened = HttpConnection::openWithReason(url, context.authHeader, context.http);
    HttpHandle handle = std::move(opened.connection);
    if (!handle) {
        if (!m_keepGoing.load()) {
            m_log.write("User cancelled: " + url);
            return kCancelled;
        }
        m_log.write("Unable to contact " + url);
        m_log.write(opened.failure);
        return kFailed;
    }
    if (const int status = httpStatusCode(handle); status != 200) {
        m_log.write("Unable to retrieve file", status);
        return kFailed;
    }
    // -1 when the server announced no length.
    const std::int64_t size = handle->contentLength();

    const std::string updatePath = entry.updatePath();
    // A compressed file is kept as served under ".gz"; its expansion takes
    // the update path.
    const std::string target = entry.compressed ? updatePath + ".gz" : updatePath;
    AtomicFile* output = staged.create(target);
    if (output == nullptr) {
        m_log.write("Can't write to local file " + updatePath);
        return kFailed;
    }
    BlockWriter writer(*output, target);
    const std::string folder = file(std::string(kUpdateFolder));

    char buffer[kBlock];
    std::uint64_t received = 0;
    std::uint64_t nextSpaceCheck = 0;
    int n;
    while ((n = httpRecv(handle, buffer, sizeof buffer)) >= 1) {
        writer.add(buffer, static_cast<std::size_t>(n));
        received += static_cast<std::uint64_t>(n);
        notifyProgress(received, size);
        if (size >= 0 && received > static_cast<std::uint64_t>(size))
            break; // more than announced: the length check below fails it
        if (size < 0 && received > limits.unannouncedBody) {
            m_log.write("No length announced for " + url + " and more than " +
                        std::to_string(limits.unannouncedBody) + " bytes sent");
            return kFailed;
        }
        if (received >= nextSpaceCheck) {
            if (!leavesFreeSpace(folder, limits.expansion.keepFree)) {
                m_log.write("Not enough free disk space for " + updatePath);
                return kFailed;
            }
            nextSpaceCheck = received + kSpaceCheckEvery;
        }
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
    const std::string broke = n < 0 ? handle->errorText() : std::string();
    httpClose(handle);
    writer.finish();

    if (size < 0 || received != static_cast<std::uint64_t>(size)) {
        m_log.write("Expected " + std::to_string(size) + " bytes - received " + std::to_string(received));
        if (!broke.empty())
            m_log.write(broke);
        return kFailed;
    }
    if (entry.checksum != 0 && entry.checksum != checksum) {
        m_log.write("Checksum error - expected " + std::to_string(entry.checksum) + ", got " +
                    std::to_string(checksum));
        return kFailed;
    }
    return entry.compressed ? expand(entry, url, *output, staged) : kUpToDate;
}

int UpdateService::expand(const UpdateEntry& entry, const std::string& url, const AtomicFile& compressed,
                          StagedFiles& staged)
{
    const std::string updatePath = entry.updatePath();
    AtomicFile* output = staged.create(updatePath);
    if (output == nullptr) {
        m_log.write("Can't write to local file " + updatePath);
        return kFailed;
    }
    const ExpansionLimits& limits = m_options.limits.expansion;
    std::error_code ec;
    const std::uintmax_t compressedSize = std::filesystem::file_size(compressed.temporaryPath(), ec);
    switch (GzipExpander::expand(compressed.temporaryPath(), *output, entry.binary, updatePath, limits,
                                 [this] { return !m_keepGoing.load(); })) {
    case GzipExpander::Result::Expanded:
        errno = 0;
        if (!output->finish())
            throw UpdateIoError(errno != 0 ? errno : EIO, updatePath);
        return kUpToDate;
    case GzipExpander::Result::CannotOpenCompressed:
        m_log.write("Unable to open compressed file " + entry.localName());
        return kFailed;
    case GzipExpander::Result::Corrupt:
        m_log.write("Unable to expand compressed file " + entry.localName());
        return kFailed;
    case GzipExpander::Result::TooLarge:
        m_log.write("Compressed file " + entry.localName() + " expands to more than " +
                    std::to_string(GzipExpander::bound(ec ? 0 : compressedSize, limits)) + " bytes");
        return kFailed;
    case GzipExpander::Result::NoSpace:
        m_log.write("Not enough free disk space for " + updatePath);
        return kFailed;
    case GzipExpander::Result::Cancelled:
        m_log.write("User cancelled: " + url);
        return kCancelled;
    }
    return kFailed;
}

UpdateContext UpdateService::runContext() const
{
    UpdateContext context{m_options.baseDir, m_tags, m_log, m_serverUrl, m_sessionAuthHeader, {}};
    context.http.connectTimeout = m_options.httpTimeout;
    context.http.idleTimeout = m_options.httpTimeout;
    context.http.caBundleFile = m_options.caBundleFile;
    context.http.lowSpeedBytes = m_options.limits.minimumRate;
    context.http.lowSpeedWindow = m_options.limits.rateWindow;
    // A cancel, also the one of a window that closes, ends every wait.
    context.http.abort = [this] { return !m_keepGoing.load(); };
    context.limits = m_options.limits;
    context.listNames = {m_tags.expand(kProfileListPattern), std::string(kGlobalList)};
    return context;
}

void UpdateService::notifyProgress(std::uint64_t received, std::int64_t expected)
{
    // The window's message carries 32-bit counts.
    if (m_observer != nullptr)
        m_observer->progress(static_cast<std::uint32_t>(std::min<std::uint64_t>(received, UINT32_MAX)),
                             static_cast<std::int32_t>(std::clamp<std::int64_t>(expected, -1, INT32_MAX)));
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
