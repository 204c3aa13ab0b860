#pragma once

#include "dialing/DialingRules.h"
#include "sync/DeviceSettings.h"
#include "sync/HandheldPhonebook.h"

#include <string>
#include <string_view>

namespace tarvo {

class DeviceLink;
class FrontEnd;
class PopList;
class ProfileConfig;

// The synchronization the window's Save runs: the chosen POPs become the
// handheld's "cepbook.txt", the location and dialing-rule tables follow it
// into "\Program Files\Tarvo\", and the dialer's settings go into the device
// registry (once). Everything is reported to the user through the front
// end; the caller gets the outcome as well and clears its change flag only
// on success, so this class needs nothing of the window.
class SyncProcedure final {
public:
    // Where the procedure stopped; Done is success.
    enum class Result {
        Done,
        Phonebook, // the local "cepbook.txt" could not be written, or pushing it failed
        Connect,
        Registry,
        Country,
        Region,
        DialingRules,
        CountryRules,
    };

    // Files on the desktop. The defaults are the program's: its current
    // folder for what it writes itself and the device settings.
    struct Files {
        std::string dialerHome;
        std::string phonebook{HandheldPhonebook::kLocalFile};
        std::string countryRules{DialingRules::kFileName};
        std::string deviceSettings{DeviceSettings::kSettingsFile};
    };

    static constexpr std::string_view kStatusText = "Synchronizing with CE device. Please wait....";
    static constexpr std::string_view kDoneText = "Synchronization with CE device completed successfully.";
    static constexpr std::string_view kRegistryError = "Error occured while writing to CE registry";

    // The caption of every message box is the profile's application name.
    SyncProcedure(const PopList& pops, DeviceLink& link, FrontEnd& frontEnd, const ProfileConfig& profile,
                  Files files);
    SyncProcedure(const SyncProcedure&) = delete;
    SyncProcedure& operator=(const SyncProcedure&) = delete;

    // Runs every step up to the first failure, which is shown with its
    // message; nothing already on the device is rolled back.
    [[nodiscard]] Result synchronize();

    // The message a failed step shows ("" for Done).
    static std::string_view message(Result result);

private:
    Result fail(Result result);

    const PopList& m_pops;
    DeviceLink& m_link;
    FrontEnd& m_frontEnd;
    std::string m_caption;
    Files m_files;
};

} // namespace tarvo
