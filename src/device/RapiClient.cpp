#include "device/RapiClient.h"

#include "ceproto/CeWin32.h"

namespace tarvo {

namespace {

// A file call that failed gives the device's last error; a device that
// failed without saying why still failed.
DeviceError failureOf(const RapiAnswer& answer)
{
    if (!answer.valid || answer.callError != 0 || answer.lastError == 0)
        return ce::kErrorGenFailure;
    return static_cast<DeviceError>(answer.lastError);
}

DeviceError registryResult(const RapiAnswer& answer)
{
    if (!answer.valid || answer.callError != 0)
        return ce::kErrorGenFailure;
    return static_cast<DeviceError>(answer.value);
}

} // namespace

RapiClient::RapiClient(UniqueFd connection, RapiLayout layout, std::chrono::milliseconds answerTimeout)
    : m_connection(std::move(connection), answerTimeout), m_requests(layout), m_answers(layout)
{
}

DeviceError RapiClient::fileCall(const std::vector<std::uint8_t>& request, std::uint32_t failure,
                                 std::uint32_t* value)
{
    std::optional<std::span<const std::uint8_t>> message = m_connection.call(request);
    if (!message)
        return ce::kErrorGenFailure;
    RapiAnswer answer = m_answers.status(*message);
    if (!answer.valid || answer.callError != 0 || answer.value == failure)
        return failureOf(answer);
    if (value != nullptr)
        *value = answer.value;
    return ce::kErrorSuccess;
}

DeviceError RapiClient::registryCall(const std::vector<std::uint8_t>& request)
{
    std::optional<std::span<const std::uint8_t>> message = m_connection.call(request);
    return message ? registryResult(m_answers.status(*message)) : ce::kErrorGenFailure;
}

DeviceError RapiClient::findFirstFile(std::u16string_view path)
{
    std::optional<std::span<const std::uint8_t>> message = m_connection.call(m_requests.findFirstFile(path));
    if (!message)
        return ce::kErrorGenFailure;
    RapiAnswer found = m_answers.findFirstFile(*message);
    if (!found.valid || found.callError != 0 || found.value == ce::kInvalidHandle)
        return failureOf(found);
    (void)m_connection.post({m_requests.findClose(found.value)}, nullptr);
    return ce::kErrorSuccess;
}

DeviceError RapiClient::getFileAttributes(std::u16string_view path, std::uint32_t& attributes)
{
    attributes = ce::kInvalidAttributes;
    return fileCall(m_requests.getFileAttributes(path), ce::kInvalidAttributes, &attributes);
}

DeviceError RapiClient::createFile(std::u16string_view path, std::uint32_t access, std::uint32_t disposition,
                                   std::uint32_t& handle)
{
    handle = ce::kInvalidHandle;
    return fileCall(m_requests.createFile(path, access, ce::kFileShareRead, disposition, ce::kAttributeNormal),
                    ce::kInvalidHandle, &handle);
}

DeviceError RapiClient::readFile(std::uint32_t handle, std::uint32_t size, std::vector<std::uint8_t>& data)
{
    data.clear();
    std::optional<std::span<const std::uint8_t>> message = m_connection.call(m_requests.readFile(handle, size));
    if (!message)
        return ce::kErrorGenFailure;
    RapiAnswer answer = m_answers.readFile(*message, size);
    if (!answer.succeeded())
        return failureOf(answer);
    data.assign(answer.data.begin(), answer.data.end());
    return ce::kErrorSuccess;
}

bool RapiClient::postWrite(std::uint32_t handle, std::span<const std::uint8_t> data,
                           std::function<void(DeviceError)> done)
{
    auto size = static_cast<std::uint32_t>(data.size());
    RapiFrameParts parts = m_requests.writeFile(handle, size);
    return m_connection.post({parts.head, data, parts.tail},
                             [this, size, done = std::move(done)](std::span<const std::uint8_t> message) {
                                 RapiAnswer answer = m_answers.writeFile(message);
                                 if (!answer.succeeded())
                                     done(failureOf(answer));
                                 else
                                     done(answer.size == size ? ce::kErrorSuccess : ce::kErrorWriteFault);
                             });
}

DeviceError RapiClient::closeHandle(std::uint32_t handle)
{
    return fileCall(m_requests.closeHandle(handle), 0);
}

DeviceError RapiClient::deleteFile(std::u16string_view path)
{
    return fileCall(m_requests.deleteFile(path), 0);
}

DeviceError RapiClient::moveFile(std::u16string_view from, std::u16string_view to)
{
    return fileCall(m_requests.moveFile(from, to), 0);
}

DeviceError RapiClient::createDirectory(std::u16string_view path)
{
    return fileCall(m_requests.createDirectory(path), 0);
}

DeviceError RapiClient::regCreateKey(std::u16string_view path, std::uint32_t& key)
{
    std::optional<std::span<const std::uint8_t>> message =
        m_connection.call(m_requests.regCreateKey(ce::kHkeyCurrentUser, path));
    if (!message)
        return ce::kErrorGenFailure;
    RapiAnswer answer = m_answers.regCreateKey(*message);
    key = answer.key;
    return registryResult(answer);
}

DeviceError RapiClient::regOpenKey(std::u16string_view path, std::uint32_t& key)
{
    std::optional<std::span<const std::uint8_t>> message =
        m_connection.call(m_requests.regOpenKey(ce::kHkeyCurrentUser, path));
    if (!message)
        return ce::kErrorGenFailure;
    RapiAnswer answer = m_answers.regOpenKey(*message);
    key = answer.key;
    return registryResult(answer);
}

DeviceError RapiClient::regSetValue(std::uint32_t key, std::u16string_view name, std::uint32_t type,
                                    std::span<const std::uint8_t> data)
{
    return registryCall(m_requests.regSetValue(key, name, type, data));
}

DeviceError RapiClient::regQueryValue(std::uint32_t key, std::u16string_view name, std::uint32_t room,
                                      std::uint32_t& type, std::vector<std::uint8_t>& data)
{
    data.clear();
    std::optional<std::span<const std::uint8_t>> message =
        m_connection.call(m_requests.regQueryValue(key, name, room));
    if (!message)
        return ce::kErrorGenFailure;
    RapiAnswer answer = m_answers.regQueryValue(*message, room);
    DeviceError result = registryResult(answer);
    if (result == ce::kErrorSuccess) {
        type = answer.type;
        data.assign(answer.data.begin(), answer.data.end());
    }
    return result;
}

DeviceError RapiClient::regCloseKey(std::uint32_t key)
{
    return registryCall(m_requests.regCloseKey(key));
}

} // namespace tarvo
