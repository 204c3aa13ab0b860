#pragma once

#include "ceproto/RapiAnswers.h"
#include "ceproto/RapiRequests.h"
#include "device/DeviceTransport.h"
#include "device/RapiConnection.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace tarvo {

// The remote API over one connection, in one command layout: each call
// encodes its request, waits for the answer and gives the device's result
// as a DeviceError (0 success; the handheld's last error or registry result
// otherwise; ERROR_GEN_FAILURE when the answer did not come, made no sense,
// or the call itself failed). The connection is any byte stream: the one
// the hub passed, or a socketpair in a test.
class RapiClient final {
public:
    RapiClient(UniqueFd connection, RapiLayout layout, std::chrono::milliseconds answerTimeout);

    RapiLayout layout() const { return m_requests.layout(); }
    // The connection failed and every call fails from now on.
    bool broken() const { return m_connection.broken(); }

    // The search is closed again without waiting for its answer.
    DeviceError findFirstFile(std::u16string_view path);
    DeviceError getFileAttributes(std::u16string_view path, std::uint32_t& attributes);
    DeviceError createFile(std::u16string_view path, std::uint32_t access, std::uint32_t disposition,
                           std::uint32_t& handle);
    // Up to `size` bytes; none at the end of the file.
    DeviceError readFile(std::uint32_t handle, std::uint32_t size, std::vector<std::uint8_t>& data);
    // Sends a write without waiting for its answer, which reaches `done`
    // when it is read (at a later call or `drain`). False when it could not
    // be sent.
    bool postWrite(std::uint32_t handle, std::span<const std::uint8_t> data, std::function<void(DeviceError)> done);
    // Reads the answers of every write still due.
    bool drain() { return m_connection.drain(); }
    DeviceError closeHandle(std::uint32_t handle);
    DeviceError deleteFile(std::u16string_view path);
    DeviceError moveFile(std::u16string_view from, std::u16string_view to);
    DeviceError createDirectory(std::u16string_view path);

    // Under HKEY_CURRENT_USER.
    DeviceError regCreateKey(std::u16string_view path, std::uint32_t& key);
    DeviceError regOpenKey(std::u16string_view path, std::uint32_t& key);
    DeviceError regSetValue(std::uint32_t key, std::u16string_view name, std::uint32_t type,
                            std::span<const std::uint8_t> data);
    // At most `room` bytes of the value's data.
    DeviceError regQueryValue(std::uint32_t key, std::u16string_view name, std::uint32_t room, std::uint32_t& type,
                              std::vector<std::uint8_t>& data);
    DeviceError regCloseKey(std::uint32_t key);

private:
    // The answer of a call whose value is a BOOL or a handle: `failure` is
    // the value that says it failed.
    DeviceError fileCall(const std::vector<std::uint8_t>& request, std::uint32_t failure, std::uint32_t* value = nullptr);
    DeviceError registryCall(const std::vector<std::uint8_t>& request);

    RapiConnection m_connection;
    RapiRequests m_requests;
    RapiAnswers m_answers;
};

} // namespace tarvo
