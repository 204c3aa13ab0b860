#pragma once

#include "device/DeviceTransport.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace tarvo {

class FrontEnd;

// Results of the device link's operations.
namespace SyncResult {
inline constexpr int kDone = 0;
// The local source file exists but cannot be read (also: a read of it failed
// part-way through a copy).
inline constexpr int kLocalUnreadable = 1;
inline constexpr int kDeviceFileMissing = 102;
// The device file cannot be opened for reading or created for writing (also:
// the device failed a read or write part-way through a copy, or the copied
// file could not be completed on the device).
inline constexpr int kDeviceFileUnavailable = 103;
// The local target file cannot be created (also: writing it failed
// part-way).
inline constexpr int kLocalUnwritable = 104;
inline constexpr int kLocalMissing = 105;
inline constexpr int kNoConnection = kEFail;
} // namespace SyncResult

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

    // Opens a session: the device's initialisation status (0 or greater), or
    // kEFail when no device answered within the timeout, the start could not
    // be made, or the device reported a negative status. On failure no
    // session stays open.
    [[nodiscard]] int connect();
    // Ends a session opened by `connect`.
    void disconnect();

    // Copies a device file to a local file inside a session of its own:
    // 0, 102, 103, 104 or kEFail.
    [[nodiscard]] int readFile(std::string_view devicePath, const std::string& localPath);
    // Copies a local file to the device inside the caller's session:
    // 0, 1, 103 or 105.
    [[nodiscard]] int writeFile(const std::string& localPath, std::string_view devicePath);
    // Deletes a device file inside the caller's session; always 0.
    int deleteFile(std::string_view devicePath);

    // The device path (ANSI) as UTF-16; false when it does not fit the
    // 520-unit buffer or holds a NUL.
    static bool convertPath(std::string_view devicePath, std::u16string& converted);

private:
    int copyFromDevice(DeviceHandle file, const std::string& localPath);

    DeviceTransport& m_transport;
    FrontEnd& m_frontEnd;
    std::chrono::milliseconds m_timeout = kConnectTimeout;
    Clock m_clock;
    std::array<char, kBlockSize> m_buffer{};
};

} // namespace tarvo
