#pragma once

#include "device/DeviceTransport.h"
#include "device/SyncResult.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace tarvo {

class FrontEnd;

// The link to the handheld: opening a session with a bounded wait that keeps
// the user interface alive, and copying files to and from the device.
//
// A copy is all or nothing: when it fails part-way, the target (the local
// file or the device file) keeps its previous content and the failure is
// reported, so a truncated phonebook is never taken for a good one.
class DeviceLink final {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    static constexpr std::chrono::milliseconds kConnectTimeout{5000};
    // How long one wait for the device lasts before pending user input is
    // dispatched.
    static constexpr std::chrono::milliseconds kWaitSlice{25};
    static constexpr std::size_t kBlockSize = 4096;
    // UTF-16 units of a converted device path, the terminating NUL included.
    static constexpr std::size_t kMaxPathUnits = 520;

    DeviceLink(DeviceTransport& transport, FrontEnd& frontEnd);
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    // For tests: a shorter wait and a clock of their own.
    void setConnectTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }
    void setClock(Clock clock) { m_clock = std::move(clock); }

    DeviceTransport& transport() { return m_transport; }

    // Opens a session: Done when the device came up (whatever non-negative
    // initialisation status it reported), NoConnection when no device
    // answered within the timeout, the start could not be made, or the
    // device reported a negative status. On failure no session stays open.
    [[nodiscard]] SyncResult connect();
    // Ends a session opened by `connect`.
    void disconnect();

    // Copies a device file to a local file inside a session of its own:
    // Done, DeviceFileMissing, DeviceFileUnavailable, LocalUnwritable or
    // NoConnection.
    [[nodiscard]] SyncResult readFile(std::string_view devicePath, const std::string& localPath);
    // Copies a local file to the device inside the caller's session: Done,
    // LocalUnreadable, DeviceFileUnavailable or LocalMissing.
    [[nodiscard]] SyncResult writeFile(const std::string& localPath, std::string_view devicePath);
    // Deletes a device file inside the caller's session; always Done (the
    // device's answer is not looked at).
    SyncResult deleteFile(std::string_view devicePath);
    // Inside the caller's session: true when the device file exists and
    // holds at least one byte, or exists and cannot be read to tell (a file
    // whose content is unknown counts as holding some).
    [[nodiscard]] bool deviceFileHasData(std::string_view devicePath);

    // The device path (ANSI) as UTF-16; false when it does not fit the
    // 520-unit buffer or holds a NUL.
    static bool convertPath(std::string_view devicePath, std::u16string& converted);

private:
    SyncResult copyFromDevice(DeviceHandle file, const std::string& localPath);

    DeviceTransport& m_transport;
    FrontEnd& m_frontEnd;
    std::chrono::milliseconds m_timeout = kConnectTimeout;
    Clock m_clock;
    std::array<char, kBlockSize> m_buffer{};
};

} // namespace tarvo
