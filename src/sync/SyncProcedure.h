#pragma once

#include <array>
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
        std::string phonebook = "cepbook.txt";
        std::string countryRules = "dr_country.txt";
        std::string deviceSettings = "./cereg.ini";
    };

    static constexpr std::string_view kStatusText = "Synchronizing with CE device. Please wait....";
    static constexpr std::string_view kDoneText = "Synchronization with CE device completed successfully.";
    static constexpr std::string_view kConnectError = "Unable to connect to the device, please check the connection.";
    static constexpr std::string_view kRegistryError = "Error occured while writing to CE registry";
    static constexpr std::string_view kCityFile = "\\Program Files\\Tarvo\\cecity.txt";

    // One file the procedure pushes: where it comes from and goes, and what
    // the user is told when that fails.
    enum class Source { Phonebook, DialerHome, CountryRules };
    struct Push {
        Result step;
        Source source;
        std::string_view localName; // in the dialer's folder
        std::string_view devicePath;
        std::string_view message;
    };
    // The pushes, in the order they are made.
    static const std::array<Push, 5>& pushes();

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
    std::string localFile(const Push& push) const;
    Result fail(Result result);

    const PopList& m_pops;
    DeviceLink& m_link;
    FrontEnd& m_frontEnd;
    std::string m_caption;
    Files m_files;
};

} // namespace tarvo
