#pragma once

#include "device/DeviceTransport.h"

#include <span>
#include <string>
#include <string_view>

namespace tarvo {

class FrontEnd;

// Copies the dialer's settings kept in "./cereg.ini" into the handheld's
// registry (under HKEY_CURRENT_USER\Software\Tarvo\TarvoDialer\...), once: a
// complete transfer sets the [SetupReg] marker and later ones are skipped.
// Runs inside a session the caller has opened.
class DeviceSettings final {
public:
    static constexpr std::string_view kMarkerSection = "SetupReg";
    static constexpr std::string_view kMarkerKey = "SetupReg";
    static constexpr std::string_view kValueError = "Error Setting a value in ce registry for TarvoDialer.";
    static constexpr std::string_view kNoSettingsFile =
        "Unable to read ./cereg.ini, the dialer settings were not written to the CE registry.";
    // Source values are read into a buffer of this many bytes.
    static constexpr std::size_t kValueBuffer = 1024;

    struct Setting {
        std::string_view name;
        std::string_view defaultValue;
    };
    struct Group {
        std::string_view basePath;
        std::string_view suffix;
        std::string_view section;
        int code; // returned when the key cannot be created or opened
        std::span<const Setting> first;
        std::span<const Setting> second; // group 9 adds the values of group 8
    };
    // The nine groups, in the order they are written.
    static std::span<const Group> groups();

    // `caption` is the application name shown on the message box;
    // `settingsFile` the working folder's "cereg.ini".
    DeviceSettings(DeviceTransport& transport, FrontEnd& frontEnd, std::string caption, std::string settingsFile);
    DeviceSettings(const DeviceSettings&) = delete;
    DeviceSettings& operator=(const DeviceSettings&) = delete;

    // 0 when the transfer was done or skipped; otherwise the code (1 to 6,
    // 8, 9, 10) of the first group whose key could not be created or
    // opened, or whose values did not all reach the device (one that could
    // not be set, or a key whose close reported them not kept). The marker
    // is set only when every value reached the device, so a transfer that
    // failed is repeated next time.
    //
    // The settings come only from a file that is there: without a readable
    // settings file nothing is written to the device (its dialer keeps the
    // settings it has rather than getting every default), no marker is set,
    // the user is told once (kNoSettingsFile) and the result is 0.
    [[nodiscard]] int transfer();

    // Writes one string value (ANSI text) under an open device key; false
    // after telling the user that it could not be set.
    bool setDeviceValue(DeviceHandle key, std::string_view name, std::string_view value);

private:
    DeviceTransport& m_transport;
    FrontEnd& m_frontEnd;
    std::string m_caption;
    std::string m_settingsFile;
};

} // namespace tarvo
