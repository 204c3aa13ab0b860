#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

namespace tarvo {

// The platform's generic failure status (0x80004005 as a signed 32-bit
// value): no device answered, or a device registry value could not be set.
inline constexpr std::int32_t kEFail = static_cast<std::int32_t>(0x80004005u);

// An open device file, search or registry key. Handles of one transport are
// unique while open; kNoDeviceHandle is never a valid one.
using DeviceHandle = std::uint32_t;
inline constexpr DeviceHandle kNoDeviceHandle = 0;

// The result of a remote call: 0 on success, else the device's own error
// code (the Win32 values of ceproto/CeWin32.h). A call that did not come
// back (the link broke, or no answer came in time) is ERROR_GEN_FAILURE; any
// call outside a session is ERROR_NOT_CONNECTED.
using DeviceError = std::int32_t;

// The ways a device file is opened: read an existing file (sharing read
// access), or create it for writing, replacing any existing file.
enum class DeviceOpen { ReadExisting, WriteReplace };

enum class DeviceWait { Signalled, TimedOut, Failed };

// Why a session did not start.
enum class SessionRefusal {
    None,
    NoManager,       // nothing that reaches handhelds answers (no connection manager)
    NoDevice,        // no handheld answered, it went away, or it reported a failure
    Locked,          // the handheld wants a password and none was given
    PasswordRefused, // the handheld refused the password given
};

// A session start in progress: the device signals an event when it has
// answered, and then reports its initialisation status (0 or greater is a
// session, negative is a failure, and `refusal` says why).
class DeviceSessionStart {
public:
    virtual ~DeviceSessionStart() = default;
    // Blocks for at most `timeout`.
    [[nodiscard]] virtual DeviceWait wait(std::chrono::milliseconds timeout) = 0;
    // Meaningful once `wait` has reported Signalled.
    [[nodiscard]] virtual std::int32_t status() const = 0;
    [[nodiscard]] virtual SessionRefusal refusal() const
    {
        return status() >= 0 ? SessionRefusal::None : SessionRefusal::NoDevice;
    }
};

// The remote operations on a handheld, as the platform's remote API offers
// them: each moves bytes or names and nothing more. What makes a copy safe
// (the replace policy, the repair of an interrupted one) is the device
// link's, once for every transport.
//
// Every operation but `startSession` needs a session that has come up.
// Sessions nest: each `startSession` is matched by one `endSession`,
// whether or not the start succeeded. Paths and names are UTF-16.
class DeviceTransport {
public:
    virtual ~DeviceTransport() = default;

    // Starts a session asynchronously. A start refused at once is signalled
    // at once, with a negative status and its refusal.
    [[nodiscard]] virtual std::unique_ptr<DeviceSessionStart> startSession() = 0;
    virtual void endSession() = 0;
    // The password a locked handheld is given at the next start (UTF-8,
    // empty: none). A handheld without a lock has no use for it.
    virtual void setPassword(std::string password) { (void)password; }

    // 0 when a file or folder of that path exists. ERROR_FILE_NOT_FOUND,
    // ERROR_PATH_NOT_FOUND and ERROR_NO_MORE_FILES say there is none; any
    // other error says the device could not tell.
    [[nodiscard]] virtual DeviceError findFile(const std::u16string& path) = 0;
    [[nodiscard]] virtual DeviceError fileAttributes(const std::u16string& path, std::uint32_t& attributes) = 0;
    [[nodiscard]] virtual DeviceError createFile(const std::u16string& path, DeviceOpen mode, DeviceHandle& file) = 0;
    // Reads up to `size` bytes; `got` == 0 with success means the end of the file.
    [[nodiscard]] virtual DeviceError readFile(DeviceHandle file, void* buffer, std::uint32_t size,
                                               std::uint32_t& got) = 0;
    // A transport may send writes without waiting for their answers: a
    // write the device refused then shows at a later write or at the close.
    [[nodiscard]] virtual DeviceError writeFile(DeviceHandle file, const void* data, std::uint32_t size,
                                                std::uint32_t& written) = 0;
    // Closes a file. For a file written to, an error means that not all of
    // it reached the device. The handle is gone either way.
    virtual DeviceError closeHandle(DeviceHandle file) = 0;
    // Fails for a file that is open, as on the device.
    virtual DeviceError deleteFile(const std::u16string& path) = 0;
    // Renames a file; fails when `to` exists (the device's MoveFile).
    [[nodiscard]] virtual DeviceError moveFile(const std::u16string& from, const std::u16string& to) = 0;
    [[nodiscard]] virtual DeviceError createDirectory(const std::u16string& path) = 0;

    // Registry of the device under HKEY_CURRENT_USER.
    // Creates the key (and missing parents) or opens it if it exists.
    [[nodiscard]] virtual DeviceError regCreateKey(const std::u16string& path, DeviceHandle& key) = 0;
    // Opens an existing key.
    [[nodiscard]] virtual DeviceError regOpenKey(const std::u16string& path, DeviceHandle& key) = 0;
    // Sets a string value (REG_SZ): `data` is UTF-16LE text with its
    // terminating NUL, `size` its length in bytes including the NUL.
    [[nodiscard]] virtual DeviceError regSetStringValue(DeviceHandle key, const std::u16string& name,
                                                        const std::uint8_t* data, std::uint32_t size) = 0;
    // Reads a string value back (up to its first NUL).
    [[nodiscard]] virtual DeviceError regQueryString(DeviceHandle key, const std::u16string& name,
                                                     std::u16string& value) = 0;
    virtual DeviceError regCloseKey(DeviceHandle key) = 0;
};

} // namespace tarvo
