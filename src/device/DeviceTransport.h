#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

namespace tarvo {

// The platform's generic failure status (0x80004005 as a signed 32-bit
// value): no device answered, or a device registry value could not be set.
inline constexpr std::int32_t kEFail = static_cast<std::int32_t>(0x80004005u);

// An open device file or registry key. Handles of one transport are unique
// while open; kNoDeviceHandle is never a valid one.
using DeviceHandle = std::uint32_t;
inline constexpr DeviceHandle kNoDeviceHandle = 0;

// The ways a device file is opened: read an existing file (sharing read
// access), or create it for writing, replacing any existing file.
enum class DeviceOpen { ReadExisting, WriteReplace };

enum class DeviceWait { Signalled, TimedOut, Failed };

// A session start in progress: the device signals an event when it has
// answered, and then reports its initialisation status (0 or greater is a
// session, negative is a failure).
class DeviceSessionStart {
public:
    virtual ~DeviceSessionStart() = default;
    // Blocks for at most `timeout`.
    [[nodiscard]] virtual DeviceWait wait(std::chrono::milliseconds timeout) = 0;
    // Meaningful once `wait` has reported Signalled.
    [[nodiscard]] virtual std::int32_t status() const = 0;
};

// The remote operations on a handheld that the device link and the device
// settings transfer use. Every operation but `startSession` needs a session
// that has come up; outside one, they fail. Sessions nest: each
// `startSession` that returned a start is matched by one `endSession`,
// whether or not the start succeeded. Paths and names are UTF-16.
class DeviceTransport {
public:
    virtual ~DeviceTransport() = default;

    // Starts a session asynchronously; nullptr when it cannot even be
    // started (then there is nothing to end).
    [[nodiscard]] virtual std::unique_ptr<DeviceSessionStart> startSession() = 0;
    virtual void endSession() = 0;

    // True when a file or folder of that path exists.
    [[nodiscard]] virtual bool findFile(const std::u16string& path) = 0;
    // kNoDeviceHandle on failure.
    [[nodiscard]] virtual DeviceHandle createFile(const std::u16string& path, DeviceOpen mode) = 0;
    // Reads up to `size` bytes; `got` == 0 with true means the end of the file.
    [[nodiscard]] virtual bool readFile(DeviceHandle file, void* buffer, std::uint32_t size, std::uint32_t& got) = 0;
    [[nodiscard]] virtual bool writeFile(DeviceHandle file, const void* data, std::uint32_t size,
                                         std::uint32_t& written) = 0;
    // Closes a file. For a file opened for writing, false means its new
    // content did not reach the device.
    virtual bool closeHandle(DeviceHandle handle) = 0;
    // Closes a file opened for writing and drops what was written to it: the
    // device keeps the file's previous content where it can, and otherwise
    // removes the partial file.
    virtual void abandonFile(DeviceHandle file) = 0;
    [[nodiscard]] virtual bool deleteFile(const std::u16string& path) = 0;

    // Registry of the device under HKEY_CURRENT_USER. Results are the
    // platform's error codes: 0 is success.
    // Creates the key (and missing parents) or opens it if it exists.
    [[nodiscard]] virtual std::int32_t regCreateKey(const std::u16string& path, DeviceHandle& key) = 0;
    // Sets a string value (REG_SZ): `data` is UTF-16LE text with its
    // terminating NUL, `size` its length in bytes including the NUL.
    [[nodiscard]] virtual std::int32_t regSetStringValue(DeviceHandle key, const std::u16string& name,
                                                         const std::uint8_t* data, std::uint32_t size) = 0;
    virtual std::int32_t regCloseKey(DeviceHandle key) = 0;
};

} // namespace tarvo
