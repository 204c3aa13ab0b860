#include "app/SyncApp.h"

#include "app/DesktopRegistry.h"
#include "app/DialerDiscovery.h"
#include "app/WorkingFolder.h"
#include "app/UpdateGuard.h"
#include "device/DeviceLink.h"
#include "dialing/DialingRules.h"
#include "device/DeviceTransport.h"
#include "phonebook/HandheldReadBack.h"
#include "phonebook/HandheldSet.h"
#include "phonebook/MasterPhonebook.h"
#include "support/AtomicFile.h"
#include "support/BusyCursor.h"
#include "support/FileHandle.h"
#include "support/FileInfo.h"
#include "support/FileVersion.h"
#include "support/FrontEnd.h"
#include "support/PathJoin.h"
#include "text/RegistryFile.h"
#include "sync/DeviceSettings.h"
#include "sync/HandheldFiles.h"
#include "sync/HandheldPhonebook.h"
#include "text/RegistryFile.h"
#include "updater/UpdateService.h"

#include <filesystem>
#include <fstream>
#include <climits>
#include <optional>

namespace tarvo {

namespace {

constexpr const char* kNoDialer =
    "ERROR: Unable to find TarvoConnect. Please make sure that TarvoConnect is installed properly.";
constexpr const char* kNoSockets = "Unable to initialize socket library.  Phonebook updating will be disabled.";

// The file a failed phonebook load could not open, in full.
std::string loadFailureDetails(const MasterPhonebook& phonebook, MasterPhonebook::LoadStatus status)
{
    switch (status) {
    case MasterPhonebook::LoadStatus::NoRegions:
        return "Looked for " + phonebook.dialerFile(MasterPhonebook::kRegionFile);
    case MasterPhonebook::LoadStatus::NoPhonebook:
        return "Looked for " + phonebook.dialerFile(MasterPhonebook::kPhonebookFile);
    case MasterPhonebook::LoadStatus::NoCountries:
        return "Looked for " + phonebook.dialerFile(MasterPhonebook::kCountryFile);
    default:
        break;
    }
    return {};
}

// The first line of the file, without its line end; a password file holds
// nothing else. Regular files only, and small ones.
std::optional<std::string> readDevicePassword(const std::string& path)
{
    constexpr std::uintmax_t kMaxBytes = 4096;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec) || std::filesystem::file_size(path, ec) > kMaxBytes || ec)
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    if (!in || (!std::getline(in, line) && !in.eof()))
        return std::nullopt;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

UpdateOptions updateOptions(const AppEnvironment& environment)
{
    UpdateOptions options;
    options.baseDir = environment.folder.root();
    options.caBundleFile = environment.caBundleFile;
    return options;
}

} // namespace

SyncApp::SyncApp(FrontEnd& frontEnd, Kind kind, AppEnvironment environment)
    : m_frontEnd(frontEnd), m_kind(kind), m_environment(std::move(environment)),
      m_transport(m_environment.makeDevice()), m_countries(m_environment.countryListFile, !m_environment.countryListNamed),
      m_userSettings(m_environment.folder.path(WorkingFolder::kUserFile)),
      m_updates(std::make_unique<UpdateService>(m_profile, m_tags, frontEnd, updateOptions(m_environment))),
      m_deviceLink(std::make_unique<DeviceLink>(*m_transport, frontEnd)),
      m_folderLock(m_environment.folder.path(WorkingFolder::kLockFile))
{
    m_environment.applyCodePages();
    // An interrupted replacement of one of these is undone in every
    // session, before the read-back or a push looks at it.
    m_deviceLink->setGuardedFiles(HandheldFiles::pushedPaths());
    m_profile.setSettingsFile(m_environment.folder.path(WorkingFolder::kProfileFile));
}

SyncApp::~SyncApp() = default;

std::string SyncApp::whyNoDevice() const
{
    switch (m_deviceLink->refusal()) {
    case SessionRefusal::NoManager:
        if (m_environment.remoteApi)
            return std::string("\n") + kNoRemoteApi;
        return std::string("\n") + kNoHub + m_environment.hubSocket;
    case SessionRefusal::NoDevice:
        return m_environment.remoteApi ? std::string("\n") + kNoHandheldAnswered : std::string();
    case SessionRefusal::Locked:
        return std::string("\n") + kDevicePasswordRequired + (m_kind == Kind::CommandLine ? kDevicePasswordFileHint : "");
    case SessionRefusal::PasswordRefused:
        return std::string("\n") + kDevicePasswordRejected;
    default:
        return {};
    }
}

std::optional<std::string> SyncApp::askDevicePassword()
{
    switch (m_deviceLink->refusal()) {
    case SessionRefusal::Locked:
        return m_frontEnd.askPassword(kDevicePasswordPrompt, kTitle);
    case SessionRefusal::PasswordRefused:
        return m_frontEnd.askPassword(kDevicePasswordAgain, kTitle);
    default:
        return std::nullopt;
    }
}

SyncResult SyncApp::lookForHandheld()
{
    if (m_deviceWait)
        m_deviceWait(true);
    const SyncResult found = m_deviceLink->connect();
    if (m_deviceWait)
        m_deviceWait(false);
    return found;
}

void SyncApp::fail(const std::string& text, const std::string& caption, const std::string& details)
{
    m_frontEnd.failureBox(text, details, caption);
}

void SyncApp::makeWorkingFolders()
{
    for (std::string_view name : {WorkingFolder::kBackupFolder, WorkingFolder::kLogFolder, WorkingFolder::kUpdateFolder}) {
        const std::string folder = m_environment.folder.path(name);
        if (fileInfo(folder).isFolder())
            continue;
        if (const std::string why = makeFolder(folder); !why.empty())
            fail(std::string("ERROR: Unable to create directory ") + std::string(name), kTitle, folder + ": " + why);
    }
}

void SyncApp::removeLeftovers() const
{
    // The dialer's folder and "dr_country.txt" are the phonebook load's.
    const WorkingFolder& folder = m_environment.folder;
    for (const std::string& file : {folder.path(WorkingFolder::kLocalPhonebook),
                                    folder.path(WorkingFolder::kDeviceSettings), m_userSettings.settingsFile()})
        (void)AtomicFile::removeLeftovers(file);
}

SyncApp::Startup SyncApp::startup(const CommandLineOptions& options)
{
    const WorkingFolder& folder = m_environment.folder;
    const UpdateGuard::Status marker = UpdateGuard::check(folder.path(WorkingFolder::kUpdateMarker));
    if (marker.state == UpdateGuard::State::Held) {
        // The window ends silently while the installer works; the person
        // (or script) waiting for the command line's answer is told why.
        if (m_kind == Kind::CommandLine)
            fail(kUpdateRunningMessage, kTitle);
        return m_kind == Kind::CommandLine ? Startup::Failed : Startup::EndedSilently;
    }
    if (marker.state == UpdateGuard::State::Unusable) {
        fail(marker.message, kTitle);
        return Startup::Failed;
    }
    if (m_kind == Kind::CommandLine && options.userFile) {
        // The window writes its user settings at exit and may name a new
        // file; the command line never does, so a file it cannot read is a
        // mistake to point out, not defaults to run on.
        if (!isReadableFile(folder.settingsPath(*options.userFile))) {
            fail(kNoSettingsFileMessage + *options.userFile, kTitle);
            return Startup::Failed;
        }
    }

    std::optional<BusyCursor> busy(std::in_place, m_frontEnd);

    // A missing registry file is an empty registry; one that is there but
    // cannot be read is not taken for one, by either front end.
    DesktopRegistry registry({m_environment.registryFile, m_environment.registryFileNamed, m_environment.winePrefix});
    if (!registry.load()) {
        busy.reset();
        fail(kRegistryUnreadable + registry.source(), kTitle);
        return Startup::Failed;
    }

    m_dialerHome = DialerDiscovery::find(registry.registry(), registry.paths());
    if (m_dialerHome.empty()) {
        busy.reset();
        fail(kNoDialer, kTitle,
             registry.source().empty() ? std::string() : "Looked in the registry of " + registry.source() + ".");
        return Startup::Failed;
    }

    if (!m_environment.devicePasswordFile.empty()) {
        std::optional<std::string> password = readDevicePassword(m_environment.devicePasswordFile);
        if (!password) {
            busy.reset();
            fail(kDevicePasswordUnreadable + m_environment.devicePasswordFile, kTitle);
            return Startup::Failed;
        }
        m_deviceLink->setPassword(*password);
    }
    while (lookForHandheld() != SyncResult::Done) {
        busy.reset();
        if (std::optional<std::string> password = askDevicePassword()) {
            m_deviceLink->setPassword(*password);
            busy.emplace(m_frontEnd);
            continue;
        }
        const std::string message = std::string(kNoDeviceMessage) + whyNoDevice();
        if (!m_retryOffer) {
            fail(message, kTitle);
            return Startup::Failed;
        }
        if (!m_retryOffer(message, kNoDeviceAdvice))
            return Startup::Failed;
        busy.emplace(m_frontEnd);
    }
    m_deviceLink->disconnect();

    if (options.profileFile) {
        m_profile.setSettingsFile(folder.settingsPath(*options.profileFile));
        if (!isReadableFile(m_profile.settingsFile())) {
            busy.reset();
            fail(kNoSettingsFileMessage + *options.profileFile, kTitle, "Looked for " + m_profile.settingsFile());
            return Startup::Failed;
        }
    }
    if (options.userFile)
        m_userSettings.setSettingsFile(folder.settingsPath(*options.userFile));
    m_allowMultiple = options.allowMultiple;

    if (!m_sockets.start())
        m_frontEnd.messageBox(kNoSockets, m_applicationName, MessageIcon::Warning);

    makeWorkingFolders();
    m_profile.load();

    if (!m_allowMultiple && m_instanceCheck && m_instanceCheck(m_profile.appNameUtf8()))
        return Startup::EndedSilently;

    // From here on files of the working folder are written. A folder no one
    // can write to is no folder two copies can spoil either.
    switch (m_folderLock.acquire()) {
    case WorkingFolderLock::State::Held:
    case WorkingFolderLock::State::ReadOnlyFolder:
        break;
    case WorkingFolderLock::State::Taken:
        busy.reset();
        fail(kAnotherCopyMessage, m_profile.appNameUtf8());
        return Startup::Failed;
    case WorkingFolderLock::State::Unusable:
        busy.reset();
        fail(m_folderLock.unusableMessage(), m_profile.appNameUtf8());
        return Startup::Failed;
    }
    removeLeftovers();

    m_userSettings.load();

    m_phonebook = std::make_unique<MasterPhonebook>(m_dialerHome, m_frontEnd,
                                                    folder.path(WorkingFolder::kCountryRules), m_countries);
    m_handheld = std::make_unique<HandheldSet>(m_phonebook->pops(), m_profile.maxPops());
    m_choice = std::make_unique<HandheldChoice>(*m_handheld);
    m_phonebook->setReadBack(
        HandheldPhonebook::readBackFor(*m_deviceLink, *m_handheld, folder.path(WorkingFolder::kLocalPhonebook)));
    if (MasterPhonebook::LoadResult loaded = m_phonebook->load(); !loaded.ok()) {
        busy.reset();
        fail(loaded.errorText, m_profile.appNameUtf8(), loadFailureDetails(*m_phonebook, loaded.status));
        return Startup::Failed;
    }
    if (m_phonebook->readBackOutcome().result == ReadBackResult::CopyFailed) {
        busy.reset();
        m_frontEnd.messageBox(kReadBackWarning, m_profile.appNameUtf8(), MessageIcon::Warning);
        busy.emplace(m_frontEnd);
    }

    FileVersionInfo version;
    std::optional<std::uint32_t> versionWord;
    if (getFileVersion(nullptr, version) == 0)
        versionWord = version.dwFileVersionMS;
    m_tags.fill({m_profile.customerId(), m_profile.profileId(), m_profile.phonebookId()}, m_userSettings.language(),
                versionWord);

    m_applicationName = m_profile.appNameUtf8();
    m_helpFile = folder.path(WorkingFolder::kHelpFile);
    return Startup::Ready;
}

SyncApp::Saved SyncApp::synchronize()
{
    const WorkingFolder& folder = m_environment.folder;
    SyncProcedure::Files files;
    files.dialerHome = m_dialerHome;
    files.phonebook = folder.path(WorkingFolder::kLocalPhonebook);
    files.countryRules = folder.path(WorkingFolder::kCountryRules);
    files.deviceSettings = folder.path(WorkingFolder::kDeviceSettings);
    SyncProcedure procedure(*m_handheld, *m_deviceLink, m_frontEnd, m_profile, std::move(files));
    Saved saved;
    saved.result = procedure.synchronize();
    saved.reached = procedure.reached();
    saved.retired = procedure.retired();
    return saved;
}

void SyncApp::shutdown()
{
    // The worker must not be mid-transfer when the network layer stops.
    m_updates->cancel();
    (void)m_updates->wait();
    // A settings file that cannot be written loses only the remembered
    // filter and widths; the program ends either way.
    (void)m_userSettings.save();
    m_sockets.stop();
}

} // namespace tarvo
