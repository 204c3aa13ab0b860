#pragma once

#include "device/DeviceTransport.h"
#include "device/SyncResult.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo {

class FrontEnd;

// The link to the handheld: opening a session with a bounded wait that keeps
// the user interface alive, and copying files to and from the device.
//
// A copy is all or nothing: when it fails part-way, the target (the local
// file or the device file) keeps its previous content and the failure is
// reported, so a truncated phonebook is never taken for a good one. On the
// device that takes a replace policy, the same for every transport: the
// data goes to NAME.partial; only when all of it is there does NAME become
// NAME.previous, NAME.partial become NAME, and NAME.previous go. The order
// holds on a device whose rename refuses an existing target, and a link
// that drops between the two renames leaves NAME.previous, which the next
// session puts back (`setGuardedFiles`) before anything reads NAME.
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
    // How long a whole copy from the device may take: a handheld that
    // trickles bytes must not hold the program for ever.
    static constexpr std::chrono::milliseconds kReadDeadline{120000};
    static constexpr std::uint64_t kNoSizeLimit = std::numeric_limits<std::uint64_t>::max();
    // The names a file has on the device while it is replaced.
    static constexpr std::u16string_view kPartialSuffix = u".partial";
    static constexpr std::u16string_view kPreviousSuffix = u".previous";

    DeviceLink(DeviceTransport& transport, FrontEnd& frontEnd);
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    // For tests: a shorter wait and a clock of their own.
    void setConnectTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }
    void setReadDeadline(std::chrono::milliseconds deadline) { m_readDeadline = deadline; }
    void setClock(Clock clock) { m_clock = std::move(clock); }
    // The device files (ANSI device paths) whose interrupted replacement is
    // repaired in every session, before its first file operation: a missing
    // NAME with NAME.previous beside it gets NAME.previous back.
    void setGuardedFiles(std::vector<std::string> devicePaths) { m_guarded = std::move(devicePaths); }
    // The password a locked handheld is given at the next connection.
    void setPassword(std::string password) { m_transport.setPassword(std::move(password)); }

    DeviceTransport& transport() { return m_transport; }

    // Opens a session: Done when the device came up (whatever non-negative
    // initialisation status it reported), NoConnection when no device
    // answered within the timeout, the start was refused, or the device
    // reported a negative status. On failure no session stays open, and
    // `refusal` says why.
    [[nodiscard]] SyncResult connect();
    // Ends a session opened by `connect`.
    void disconnect();
    // Why the last `connect` failed (None after one that succeeded).
    [[nodiscard]] SessionRefusal refusal() const { return m_refusal; }

    // Copies a device file to a local file inside a session of its own:
    // Done, DeviceFileMissing, DeviceFileUnavailable, LocalUnwritable or
    // NoConnection. Only "file not found", "path not found" and "no more
    // files" from the device mean missing; a search that failed otherwise
    // (the link dropped, no answer, access denied) is DeviceFileUnavailable,
    // and so is a file longer than `maxBytes` or a copy that takes longer
    // than the read deadline.
    [[nodiscard]] SyncResult readFile(std::string_view devicePath, const std::string& localPath,
                                      std::uint64_t maxBytes = kNoSizeLimit);
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
    // The device's answer to a search says that nothing of that name is there.
    static bool isMissing(DeviceError error);

private:
    SyncResult copyFromDevice(DeviceHandle file, const std::string& localPath, std::uint64_t maxBytes);
    // NAME.partial, complete and closed, replaces NAME.
    bool replace(const std::u16string& target, const std::u16string& partial);
    // Once a session: the guarded files' interrupted replacements undone,
    // before the first file the session touches.
    void repairGuarded();

    DeviceTransport& m_transport;
    FrontEnd& m_frontEnd;
    std::chrono::milliseconds m_timeout = kConnectTimeout;
    std::chrono::milliseconds m_readDeadline = kReadDeadline;
    Clock m_clock;
    std::vector<std::string> m_guarded;
    SessionRefusal m_refusal = SessionRefusal::None;
    int m_sessions = 0; // sessions this link opened and has not ended
    bool m_repairDue = false;
    std::array<char, kBlockSize> m_buffer{};
};

} // namespace tarvo
