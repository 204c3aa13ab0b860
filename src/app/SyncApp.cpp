#include "app/SyncApp.h"

#include "app/DialerDiscovery.h"
#include "app/UpdateGuard.h"
#include "device/DeviceLink.h"
#include "dialing/DialingRules.h"
#include "phonebook/HandheldReadBack.h"
#include "phonebook/MasterPhonebook.h"
#include "support/AtomicFile.h"
#include "support/BusyCursor.h"
#include "support/FileHandle.h"
#include "support/FileVersion.h"
#include "support/FrontEnd.h"
#include "support/PathJoin.h"
#include "text/RegistryFile.h"
#include "sync/DeviceSettings.h"
#include "sync/HandheldPhonebook.h"
#include "updater/UpdateService.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

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

std::string currentDirectory()
{
    char cwd[PATH_MAX];
    return ::getcwd(cwd, sizeof cwd) ? std::string(cwd) : std::string(".");
}

} // namespace

SyncApp::SyncApp(FrontEnd& frontEnd, DeviceTransport& transport, CountryQuery& countries)
    : m_frontEnd(frontEnd), m_countries(countries),
      m_updates(std::make_unique<UpdateService>(m_profile, m_tags, frontEnd)),
      m_deviceLink(std::make_unique<DeviceLink>(transport, frontEnd))
{
}

SyncApp::~SyncApp() = default;

void SyncApp::fail(const std::string& text, const std::string& caption, const std::string& details)
{
    m_frontEnd.failureBox(text, details, caption);
}

void SyncApp::makeWorkingFolders()
{
    for (const char* folder : {"backup", "log", "update"}) {
        struct stat st {};
        if (::stat(folder, &st) == 0 && S_ISDIR(st.st_mode))
            continue;
        if (::mkdir(folder, 0777) != 0) {
            const int error = errno;
            fail(std::string("ERROR: Unable to create directory ") + folder, kTitle,
                 joinPath(currentDirectory(), folder) + ": " + std::strerror(error));
        }
    }
}

void SyncApp::removeLeftovers() const
{
    // The dialer's folder and "dr_country.txt" are the phonebook load's.
    for (const std::string& file : {std::string(HandheldPhonebook::kLocalFile),
                                    std::string(DeviceSettings::kSettingsFile), m_userSettings.settingsFile()})
        (void)AtomicFile::removeLeftovers(file);
}

SyncApp::Startup SyncApp::startup(const CommandLineOptions& options, const RegistryFile& registry)
{
    if (UpdateGuard::isHeld())
        return Startup::EndedSilently;

    std::optional<BusyCursor> busy(std::in_place, m_frontEnd);

    m_dialerHome = DialerDiscovery::find(registry);
    if (m_dialerHome.empty()) {
        busy.reset();
        fail(kNoDialer, kTitle, registry.path().empty() ? std::string() : "Looked in the registry file " + registry.path() + ".");
        return Startup::Failed;
    }

    while (m_deviceLink->connect() != SyncResult::Done) {
        busy.reset();
        if (!m_retryOffer) {
            fail(std::string(kNoDeviceMessage), kTitle);
            return Startup::Failed;
        }
        if (!m_retryOffer(std::string(kNoDeviceMessage), kNoDeviceAdvice))
            return Startup::Failed;
        busy.emplace(m_frontEnd);
    }
    m_deviceLink->disconnect();

    if (options.profileFile) {
        m_profile.setSettingsFile(*options.profileFile);
        if (!isReadableFile(m_profile.settingsFile())) {
            busy.reset();
            fail(kNoSettingsFileMessage + *options.profileFile, kTitle, "Looked for " + m_profile.settingsFile());
            return Startup::Failed;
        }
    }
    if (options.userFile)
        m_userSettings.setSettingsFile(*options.userFile);
    m_allowMultiple = options.allowMultiple;

    if (!m_sockets.start())
        m_frontEnd.messageBox(kNoSockets, m_applicationName, MessageIcon::Warning);

    makeWorkingFolders();
    m_profile.load();

    if (!m_allowMultiple && m_instanceCheck && m_instanceCheck(m_profile.appNameUtf8()))
        return Startup::EndedSilently;

    // From here on files of the working folder are written. A folder no one
    // can write to is no folder two copies can spoil either.
    if (m_folderLock.acquire() == WorkingFolderLock::State::Taken) {
        busy.reset();
        fail(kAnotherCopyMessage, m_profile.appNameUtf8());
        return Startup::Failed;
    }
    removeLeftovers();

    m_userSettings.load();

    m_phonebook = std::make_unique<MasterPhonebook>(m_dialerHome, m_frontEnd, std::string(DialingRules::kFileName),
                                                    m_countries);
    m_phonebook->setReadBack(HandheldPhonebook::readBackFor(*m_deviceLink));
    if (MasterPhonebook::LoadResult loaded = m_phonebook->Load(); !loaded.ok()) {
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
    if (GetFileVersion(nullptr, version) == 0)
        versionWord = version.dwFileVersionMS;
    m_tags.Fill({m_profile.customerId(), m_profile.profileId(), m_profile.phonebookId()}, m_userSettings.language(),
                versionWord);

    m_applicationName = m_profile.appNameUtf8();
    m_helpFile = currentDirectory() + "/english.htm";
    return Startup::Ready;
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
