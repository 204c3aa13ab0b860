#pragma once

#include "app/AppEnvironment.h"
#include "app/CommandLine.h"
#include "app/HandheldChoice.h"
#include "app/UserSettings.h"
#include "app/WorkingFolderLock.h"
#include "config/ProfileConfig.h"
#include "device/SyncResult.h"
#include "dialing/CountryQuery.h"
#include "sync/SyncProcedure.h"
#include "support/ProgramTitle.h"
#include "support/SocketLibrary.h"
#include "text/TagExpander.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tarvo {

class DeviceLink;
class DeviceTransport;
class FrontEnd;
class HandheldSet;
class MasterPhonebook;
class UpdateService;

// The application: both front ends make one from the environment, run its
// start-up (which finds the dialer, proves a handheld answers, prepares the
// working folders, loads the profile, the user settings and the master
// phonebook with the handheld's POPs read back) and then call it to choose
// POPs, synchronize, report and update. Neither front end builds a
// synchronization or reads the registry itself.
class SyncApp final {
public:
    // Who drives the program. Start-up differs where the person differs:
    // the window ends silently while the update installer works and may
    // name a new user settings file; the command line says why it ends and
    // takes a missing "-u" file for a mistake.
    enum class Kind { Window, CommandLine };

    enum class Startup {
        Ready,         // everything loaded; the front end takes over
        EndedSilently, // the update installer holds its marker, or another copy runs
        Failed,        // a message was shown; the program ends
    };

    static constexpr const char* kTitle = kProgramTitle;
    // The second copy in one working folder (the window's "-m", or the
    // command line) is told this and ends.
    static constexpr const char* kAnotherCopyMessage =
        "Another copy of the synchronizer is working in this folder, please wait until it has finished.";
    // The profile named by "-c" is not there: running on the defaults
    // would show another title and miss the profile's servers and limit.
    static constexpr const char* kNoSettingsFileMessage = "ERROR: Unable to open settings file ";
    // The handheld's phonebook was there but could not be copied: nothing
    // is marked, and a synchronization asks before it replaces it.
    static constexpr const char* kReadBackWarning =
        "An error occured while reading CE phonebook. The POPs on the device are not marked as chosen, "
        "and saving will ask before replacing them.";

    // Told by the command line when the update installer works.
    static constexpr const char* kUpdateRunningMessage =
        "The update installer is working (it holds _updatelist.txt), please try again when it has finished.";
    static constexpr const char* kRegistryUnreadable = "Unable to read the registry file ";
    // A real handheld through tarvo-cehub: why it does not answer, on a line
    // after the defined "Unable to connect to the device ...".
    static constexpr const char* kNoHub = "No handheld connection manager (tarvo-cehub) answers on ";
    // The same for the desktop's own remote API (Windows): which of the two
    // it was.
    static constexpr const char* kNoRemoteApi =
        "rapi.dll was not found: install Windows Mobile Device Center (or ActiveSync on Windows XP).";
    static constexpr const char* kNoHandheldAnswered =
        "No handheld answered through Windows Mobile Device Center or ActiveSync.";
    static constexpr const char* kDevicePasswordRequired = "The handheld is locked with a password.";
    static constexpr const char* kDevicePasswordFileHint = " Give it with --device-password-file FILE.";
    static constexpr const char* kDevicePasswordRejected = "The handheld refused the password given.";
    // Asked where the front end can (the window).
    static constexpr const char* kDevicePasswordPrompt = "The handheld is locked. Its password:";
    static constexpr const char* kDevicePasswordAgain = "The handheld refused that password. Its password:";
    static constexpr const char* kDevicePasswordUnreadable = "Unable to read the device password file ";

    // Everything the program needs from outside comes in `environment`.
    SyncApp(FrontEnd& frontEnd, Kind kind, AppEnvironment environment);
    SyncApp(const SyncApp&) = delete;
    SyncApp& operator=(const SyncApp&) = delete;
    ~SyncApp();

    // The single-instance check; given the profile's title it answers
    // whether another copy runs (and has brought that copy's window
    // forward). Unset: this copy always runs.
    void setInstanceCheck(std::function<bool(const std::string& appName)> check) { m_instanceCheck = std::move(check); }

    // What start-up says beside "no handheld answers": what the person can do.
    static constexpr const char* kNoDeviceAdvice =
        "Connect the handheld and switch it on, then press Retry. Close ends the program.";
    // Told when start-up begins (true) and ends (false) each wait for the
    // handheld, the first and each retry, so the front end can say what the
    // program waits for: nothing else is on the screen yet.
    void setDeviceWait(std::function<void(bool waiting)> wait) { m_deviceWait = std::move(wait); }
    // Offered instead of the message and the end when no handheld answers
    // at start-up: given the message and kNoDeviceAdvice, true to look for
    // the handheld again. Unset: the message, then the end.
    void setRetryOffer(std::function<bool(const std::string& text, const std::string& details)> offer)
    {
        m_retryOffer = std::move(offer);
    }

    // After the single-instance check, start-up takes the working folder's
    // lock (WorkingFolderLock) and keeps it until this object goes away; a
    // folder another copy holds ends start-up with kAnotherCopyMessage
    // (Failed), a lock that cannot be taken with the lock's own message
    // (Failed); a folder no one may write goes on without it. It then
    // removes what a killed run left beside the files it writes. The
    // registry is the desktop registry file, or the Wine prefix's registry
    // when no file is named or there (DesktopRegistry).
    Startup startup(const CommandLineOptions& options);
    // Ends an update run in progress, saves the user settings and stops the
    // socket library; may run twice.
    void shutdown();

    // Choosing POPs by id or filter, as the window's arrows do (the limit
    // included).
    HandheldChoice& choice() { return *m_choice; }
    HandheldSet& handheld() { return *m_handheld; }
    const HandheldSet& handheld() const { return *m_handheld; }

    // What a Save came to: where it stopped, the files that had already
    // reached the handheld when it failed, and how many POPs no longer in
    // the master phonebook it took off the handheld (front ends say so
    // with SyncProcedure::retiredNote).
    struct Saved {
        SyncProcedure::Result result = SyncProcedure::Result::Done;
        std::vector<std::string> reached;
        std::size_t retired = 0;
    };
    // Save: the synchronization procedure on the chosen POPs; every message
    // goes through the front end.
    [[nodiscard]] Saved synchronize();

    const AppEnvironment& environment() const { return m_environment; }
    const WorkingFolder& folder() const { return m_environment.folder; }
    const std::string& dialerHome() const { return m_dialerHome; }
    // The caption of message boxes: the profile's title once loaded.
    const std::string& applicationName() const { return m_applicationName; }
    const std::string& helpFile() const { return m_helpFile; }
    ProfileConfig& profile() { return m_profile; }
    const ProfileConfig& profile() const { return m_profile; }
    UserSettings& userSettings() { return m_userSettings; }
    const UserSettings& userSettings() const { return m_userSettings; }
    const TagExpander& tags() const { return m_tags; }
    MasterPhonebook& phonebook() { return *m_phonebook; }
    const MasterPhonebook& phonebook() const { return *m_phonebook; }
    DeviceLink& deviceLink() { return *m_deviceLink; }
    UpdateService& updateService() { return *m_updates; }
    FrontEnd& frontEnd() { return m_frontEnd; }
    bool allowMultiple() const { return m_allowMultiple; }

private:
    // `details`: the file concerned and why, shown beside the text.
    void fail(const std::string& text, const std::string& caption, const std::string& details = {});
    std::string whyNoDevice() const;
    // The device check's connection, with the front end told of the wait.
    SyncResult lookForHandheld();
    // The handheld's password when it asks for one and the person gives it.
    std::optional<std::string> askDevicePassword();
    void makeWorkingFolders();
    void removeLeftovers() const;
    bool loadPhonebook();

    FrontEnd& m_frontEnd;
    Kind m_kind;
    AppEnvironment m_environment;
    std::unique_ptr<DeviceTransport> m_transport;
    CountryQuery m_countries;
    std::string m_applicationName = kTitle;
    std::string m_helpFile;
    std::string m_dialerHome;
    ProfileConfig m_profile;
    UserSettings m_userSettings;
    TagExpander m_tags;
    SocketLibrary m_sockets;
    // After the sockets, so it is gone (its worker joined) before they stop.
    std::unique_ptr<UpdateService> m_updates;
    std::unique_ptr<DeviceLink> m_deviceLink;
    std::unique_ptr<MasterPhonebook> m_phonebook;
    std::unique_ptr<HandheldSet> m_handheld;
    std::unique_ptr<HandheldChoice> m_choice;
    std::function<bool(const std::string&)> m_instanceCheck;
    std::function<bool(const std::string&, const std::string&)> m_retryOffer;
    std::function<void(bool)> m_deviceWait;
    WorkingFolderLock m_folderLock;
    bool m_allowMultiple = false;
};

} // namespace tarvo
