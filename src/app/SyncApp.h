#pragma once

#include "app/CommandLine.h"
#include "app/UserSettings.h"
#include "app/WorkingFolderLock.h"
#include "config/ProfileConfig.h"
#include "support/ProgramTitle.h"
#include "support/SocketLibrary.h"
#include "text/TagExpander.h"

#include <functional>
#include <memory>
#include <string>

namespace tarvo {

class CountryQuery;
class DeviceLink;
class DeviceTransport;
class FrontEnd;
class MasterPhonebook;
class RegistryFile;
class UpdateService;

// The application object: start-up finds the dialer, proves a handheld
// answers, prepares the working folders, loads the profile, the user
// settings and the master phonebook (with the handheld's POPs read back).
// Both front ends run the same start-up and then work on what it loaded.
class SyncApp final {
public:
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

    // The current directory holds the settings files and working folders;
    // everything the program needs from outside comes in here.
    SyncApp(FrontEnd& frontEnd, DeviceTransport& transport, CountryQuery& countries);
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
    // (Failed). It then removes what a killed run left beside the files it
    // writes.
    Startup startup(const CommandLineOptions& options, const RegistryFile& registry);
    // Ends an update run in progress, saves the user settings and stops the
    // socket library; may run twice.
    void shutdown();

    const std::string& dialerHome() const { return m_dialerHome; }
    // The caption of message boxes: the profile's title once loaded.
    const std::string& applicationName() const { return m_applicationName; }
    const std::string& helpFile() const { return m_helpFile; }
    ProfileConfig& profile() { return m_profile; }
    const ProfileConfig& profile() const { return m_profile; }
    UserSettings& userSettings() { return m_userSettings; }
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
    void makeWorkingFolders();
    void removeLeftovers() const;

    FrontEnd& m_frontEnd;
    CountryQuery& m_countries;
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
    std::function<bool(const std::string&)> m_instanceCheck;
    std::function<bool(const std::string&, const std::string&)> m_retryOffer;
    WorkingFolderLock m_folderLock;
    bool m_allowMultiple = false;
};

} // namespace tarvo
