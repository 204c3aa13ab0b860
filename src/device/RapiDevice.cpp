#include "device/RapiDevice.h"

#include "ceproto/CeHubProtocol.h"
#include "ceproto/CeWin32.h"
#include "device/RapiConnection.h"
#include "support/DescriptorPassing.h"
#include "support/SocketIo.h"
#include "support/UniqueFd.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>

namespace tarvo {

namespace {

RapiDevice::Refusal refusalOf(std::string_view reason)
{
    if (reason == CeHubProtocol::kErrorPasswordRequired)
        return RapiDevice::Refusal::PasswordRequired;
    if (reason == CeHubProtocol::kErrorPasswordRejected)
        return RapiDevice::Refusal::PasswordRejected;
    if (reason == CeHubProtocol::kErrorDeviceGone)
        return RapiDevice::Refusal::DeviceGone;
    if (reason == CeHubProtocol::kErrorNoDevice)
        return RapiDevice::Refusal::NoDevice;
    return RapiDevice::Refusal::Protocol;
}

} // namespace

// The hub's answer to one request for a connection: it comes when a
// handheld is ready (or the hub refuses), and the session is up only if it
// is still the one asked for.
class RapiDevice::Start final : public DeviceSessionStart {
public:
    // A session that is up already (a nested start).
    Start() : m_done(true), m_status(0) {}
    Start(RapiDevice& device, std::uint64_t generation, UniqueFd socket)
        : m_device(&device), m_generation(generation), m_socket(std::move(socket))
    {
    }

    DeviceWait wait(std::chrono::milliseconds timeout) override
    {
        if (m_done)
            return DeviceWait::Signalled;
        socketio::Wait ready = socketio::waitReadable(m_socket.get(), -1, timeout);
        if (ready == socketio::Wait::TimedOut)
            return DeviceWait::TimedOut;
        if (ready != socketio::Wait::Ready) {
            finish(Refusal::Protocol);
            return DeviceWait::Signalled;
        }
        receive();
        return m_done ? DeviceWait::Signalled : DeviceWait::TimedOut;
    }

    std::int32_t status() const override { return m_status; }

private:
    void finish(Refusal refusal)
    {
        m_done = true;
        m_status = kEFail;
        m_device->refuse(refusal);
    }

    // Reads what the hub sent; the connection's socket comes with the line.
    void receive()
    {
        char data[512];
        // One connection is expected; anything more is closed.
        ssize_t n = socketio::receiveWithDescriptor(m_socket.get(), data, sizeof data, m_rapi);
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        if (n <= 0) {
            finish(Refusal::Protocol);
            return;
        }
        m_line.append(data, static_cast<std::size_t>(n));
        std::size_t end = m_line.find('\n');
        if (end == std::string::npos) {
            if (m_line.size() > CeHubProtocol::kMaxLine)
                finish(Refusal::Protocol);
            return;
        }
        std::optional<CeHubProtocol::Answer> answer = CeHubProtocol::parseAnswer(m_line.substr(0, end));
        if (!answer) {
            finish(Refusal::Protocol);
        } else if (!answer->ok) {
            finish(refusalOf(answer->error));
        } else if (!m_rapi) {
            finish(Refusal::Protocol);
        } else {
            m_done = true;
            m_status = 0;
            m_device->comeUp(m_generation, m_rapi.release(), answer->osMajor, answer->osMinor,
                             std::move(answer->name));
        }
    }

    RapiDevice* m_device = nullptr;
    std::uint64_t m_generation = 0;
    UniqueFd m_socket;
    UniqueFd m_rapi;
    std::string m_line;
    bool m_done = false;
    std::int32_t m_status = kEFail;
};

RapiDevice::RapiDevice(std::string hubSocket) : m_hubSocket(std::move(hubSocket)) {}

RapiDevice::~RapiDevice()
{
    while (m_sessionDepth > 0)
        endSession();
}

std::unique_ptr<DeviceSessionStart> RapiDevice::startSession()
{
    m_refusal = Refusal::None;
    if (m_connection) {
        ++m_sessionDepth;
        return std::make_unique<Start>();
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const std::string request = CeHubProtocol::connectRequest(m_deviceName, m_password);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(request.data());
    if (!socket || m_hubSocket.size() >= sizeof address.sun_path) {
        m_refusal = Refusal::NoHub;
        return nullptr;
    }
    std::memcpy(address.sun_path, m_hubSocket.c_str(), m_hubSocket.size() + 1);
    if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        !socketio::sendAll(socket.get(), {std::span(bytes, request.size())}, -1, std::chrono::seconds(5))) {
        m_refusal = Refusal::NoHub;
        return nullptr;
    }
    ++m_sessionDepth;
    return std::make_unique<Start>(*this, m_generation, std::move(socket));
}

void RapiDevice::comeUp(std::uint64_t generation, int socket, std::uint32_t osMajor, std::uint32_t osMinor,
                        std::string name)
{
    UniqueFd owned(socket);
    if (generation != m_generation || m_sessionDepth == 0 || m_connection)
        return;
    m_connection = std::make_unique<RapiConnection>(std::move(owned), m_answerTimeout);
    m_requests = RapiRequests(rapiLayoutFor(osMajor, osMinor));
    m_answers = RapiAnswers(rapiLayoutFor(osMajor, osMinor));
    m_osMajor = osMajor;
    m_osMinor = osMinor;
    m_connectedName = std::move(name);
}

void RapiDevice::endSession()
{
    if (m_sessionDepth == 0 || --m_sessionDepth > 0)
        return;
    ++m_generation;
    // A start given up on while the hub still waited for a handheld.
    if (!m_connection && m_refusal == Refusal::None)
        m_refusal = Refusal::NoDevice;
    // What the desktop left open goes with the session: partial files are
    // removed, keys closed so the handheld keeps what was set in them.
    std::vector<DeviceHandle> handles;
    for (const auto& [handle, open] : m_open)
        handles.push_back(handle);
    for (DeviceHandle handle : handles) {
        if (m_open[handle].isKey)
            (void)regCloseKey(handle);
        else
            abandonFile(handle);
    }
    m_open.clear();
    if (m_connection)
        (void)m_connection->drain();
    m_connection.reset();
}

DeviceHandle RapiDevice::remember(Open open)
{
    do {
        ++m_lastHandle;
    } while (m_lastHandle == kNoDeviceHandle || m_open.count(m_lastHandle) != 0);
    m_open.emplace(m_lastHandle, std::move(open));
    return m_lastHandle;
}

RapiDevice::Open* RapiDevice::find(DeviceHandle handle, bool key)
{
    auto it = m_open.find(handle);
    return it == m_open.end() || it->second.isKey != key ? nullptr : &it->second;
}

std::optional<RapiAnswer> RapiDevice::status(const std::vector<std::uint8_t>& request)
{
    if (!m_connection)
        return std::nullopt;
    std::optional<std::span<const std::uint8_t>> answer = m_connection->call(request);
    if (!answer)
        return std::nullopt;
    RapiAnswer decoded = m_answers.status(*answer);
    return decoded.valid ? std::optional(decoded) : std::nullopt;
}

bool RapiDevice::closeRemote(std::uint32_t remote)
{
    std::optional<RapiAnswer> answer = status(m_requests.closeHandle(remote));
    return answer && answer->succeeded();
}

bool RapiDevice::removeRemote(std::u16string_view path)
{
    std::optional<RapiAnswer> answer = status(m_requests.deleteFile(path));
    return answer && answer->succeeded();
}

bool RapiDevice::moveRemote(std::u16string_view from, std::u16string_view to)
{
    std::optional<RapiAnswer> answer = status(m_requests.moveFile(from, to));
    return answer && answer->succeeded();
}

bool RapiDevice::findFile(const std::u16string& path)
{
    if (!m_connection)
        return false;
    std::optional<std::span<const std::uint8_t>> answer = m_connection->call(m_requests.findFirstFile(path));
    if (!answer)
        return false;
    RapiAnswer found = m_answers.findFirstFile(*answer);
    if (!found.valid || found.callError != 0 || found.value == ce::kInvalidHandle)
        return false;
    // The search handle is closed without waiting for the answer.
    (void)m_connection->post({m_requests.findClose(found.value)}, nullptr);
    return true;
}

std::uint32_t RapiDevice::fileAttributes(const std::u16string& path)
{
    std::optional<RapiAnswer> answer = status(m_requests.getFileAttributes(path));
    return answer && answer->callError == 0 ? answer->value : ce::kInvalidAttributes;
}

DeviceHandle RapiDevice::createFile(const std::u16string& path, DeviceOpen mode)
{
    Open open;
    open.target = path;
    open.writing = mode == DeviceOpen::WriteReplace;
    std::vector<std::uint8_t> request;
    if (open.writing) {
        open.partial = path + std::u16string(kPartialSuffix);
        request = m_requests.createFile(open.partial, ce::kGenericWrite, ce::kFileShareRead, ce::kCreateAlways,
                                        ce::kAttributeNormal);
    } else {
        request = m_requests.createFile(path, ce::kGenericRead, ce::kFileShareRead, ce::kOpenExisting,
                                        ce::kAttributeNormal);
    }
    std::optional<RapiAnswer> answer = status(request);
    if (!answer || answer->callError != 0 || answer->value == ce::kInvalidHandle)
        return kNoDeviceHandle;
    open.remote = answer->value;
    return remember(std::move(open));
}

bool RapiDevice::readFile(DeviceHandle handle, void* buffer, std::uint32_t size, std::uint32_t& got)
{
    got = 0;
    Open* open = find(handle, false);
    if (open == nullptr || open->writing || !m_connection || (size > 0 && buffer == nullptr))
        return false;
    if (open->bufferStart == open->buffer.size() && !open->atEnd && size > 0) {
        // Read ahead: one round trip brings many of the caller's blocks.
        auto asked = static_cast<std::uint32_t>(kReadBlock);
        std::optional<std::span<const std::uint8_t>> message =
            m_connection->call(m_requests.readFile(open->remote, asked));
        if (!message)
            return false;
        RapiAnswer answer = m_answers.readFile(*message, asked);
        if (!answer.valid || answer.callError != 0 || answer.value == 0)
            return false;
        open->buffer.assign(answer.data.begin(), answer.data.end());
        open->bufferStart = 0;
        open->atEnd = answer.data.empty();
    }
    std::size_t n = std::min<std::size_t>(size, open->buffer.size() - open->bufferStart);
    if (n > 0)
        std::memcpy(buffer, open->buffer.data() + open->bufferStart, n);
    open->bufferStart += n;
    got = static_cast<std::uint32_t>(n);
    return true;
}

bool RapiDevice::sendWrites(DeviceHandle handle, Open& open)
{
    if (open.buffer.empty())
        return !open.failed;
    if (!m_connection) {
        open.failed = true;
        return false;
    }
    auto size = static_cast<std::uint32_t>(open.buffer.size());
    RapiFrameParts parts = m_requests.writeFile(open.remote, size);
    bool sent = m_connection->post({parts.head, open.buffer, parts.tail},
                                   [this, handle, size](std::span<const std::uint8_t> message) {
                                       RapiAnswer answer = m_answers.writeFile(message);
                                       auto it = m_open.find(handle);
                                       if (it != m_open.end() && (!answer.succeeded() || answer.size != size))
                                           it->second.failed = true;
                                   });
    open.buffer.clear();
    if (!sent)
        open.failed = true;
    return !open.failed;
}

bool RapiDevice::writeFile(DeviceHandle handle, const void* data, std::uint32_t size, std::uint32_t& written)
{
    written = 0;
    Open* open = find(handle, false);
    if (open == nullptr || !open->writing || open->failed || !m_connection || (size > 0 && data == nullptr))
        return false;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    open->buffer.insert(open->buffer.end(), bytes, bytes + size);
    if (open->buffer.size() >= kWriteBlock && !sendWrites(handle, *open))
        return false;
    written = size;
    return true;
}

bool RapiDevice::replaceTarget(const Open& open)
{
    const std::u16string previous = open.target + std::u16string(kPreviousSuffix);
    (void)removeRemote(previous); // a leftover of an interrupted replace
    bool kept = moveRemote(open.target, previous);
    if (!kept && fileAttributes(open.target) != ce::kInvalidAttributes) {
        (void)removeRemote(open.partial);
        return false;
    }
    if (!moveRemote(open.partial, open.target)) {
        if (kept)
            (void)moveRemote(previous, open.target);
        (void)removeRemote(open.partial);
        return false;
    }
    if (kept)
        (void)removeRemote(previous);
    return true;
}

bool RapiDevice::closeHandle(DeviceHandle handle)
{
    auto it = m_open.find(handle);
    if (it == m_open.end())
        return false;
    if (it->second.isKey)
        return regCloseKey(handle) == 0;
    if (!it->second.writing) {
        Open open = std::move(it->second);
        m_open.erase(it);
        return closeRemote(open.remote);
    }
    bool complete = sendWrites(handle, it->second) && m_connection && m_connection->drain();
    Open open = std::move(it->second);
    m_open.erase(it);
    if (!complete || open.failed || !closeRemote(open.remote)) {
        if (m_connection && !m_connection->broken())
            (void)removeRemote(open.partial);
        return false;
    }
    return replaceTarget(open);
}

void RapiDevice::abandonFile(DeviceHandle handle)
{
    auto it = m_open.find(handle);
    if (it == m_open.end() || it->second.isKey)
        return;
    Open open = std::move(it->second);
    m_open.erase(it);
    if (!m_connection || m_connection->broken())
        return;
    // Unsent writes are dropped; sent ones are answered before the close.
    (void)m_connection->drain();
    (void)closeRemote(open.remote);
    if (open.writing)
        (void)removeRemote(open.partial);
}

bool RapiDevice::deleteFile(const std::u16string& path)
{
    return removeRemote(path);
}

std::int32_t RapiDevice::regCreateKey(const std::u16string& path, DeviceHandle& key)
{
    return keyCall(path, true, key);
}

std::int32_t RapiDevice::regOpenKey(const std::u16string& path, DeviceHandle& key)
{
    return keyCall(path, false, key);
}

std::int32_t RapiDevice::keyCall(const std::u16string& path, bool create, DeviceHandle& key)
{
    key = kNoDeviceHandle;
    if (!m_connection)
        return ce::kErrorNotConnected;
    std::optional<std::span<const std::uint8_t>> message =
        m_connection->call(create ? m_requests.regCreateKey(ce::kHkeyCurrentUser, path)
                                  : m_requests.regOpenKey(ce::kHkeyCurrentUser, path));
    RapiAnswer answer{};
    if (message)
        answer = create ? m_answers.regCreateKey(*message) : m_answers.regOpenKey(*message);
    if (!answer.valid || answer.callError != 0)
        return ce::kErrorGenFailure;
    if (answer.value != 0)
        return static_cast<std::int32_t>(answer.value);
    Open open;
    open.isKey = true;
    open.remote = answer.key;
    key = remember(std::move(open));
    return ce::kErrorSuccess;
}

std::int32_t RapiDevice::regSetStringValue(DeviceHandle key, const std::u16string& name, const std::uint8_t* data,
                                           std::uint32_t size)
{
    Open* open = find(key, true);
    if (!m_connection)
        return ce::kErrorNotConnected;
    if (open == nullptr || (size > 0 && data == nullptr))
        return ce::kErrorInvalidHandle;
    std::optional<RapiAnswer> answer =
        status(m_requests.regSetValue(open->remote, name, ce::kRegSz, std::span(data, size)));
    if (!answer || answer->callError != 0)
        return ce::kErrorGenFailure;
    return static_cast<std::int32_t>(answer->value);
}

std::int32_t RapiDevice::regQueryString(DeviceHandle key, const std::u16string& name, std::u16string& value)
{
    value.clear();
    Open* open = find(key, true);
    if (!m_connection)
        return ce::kErrorNotConnected;
    if (open == nullptr)
        return ce::kErrorInvalidHandle;
    constexpr std::uint32_t kRoom = 4096;
    std::optional<std::span<const std::uint8_t>> message =
        m_connection->call(m_requests.regQueryValue(open->remote, name, kRoom));
    RapiAnswer answer = message ? m_answers.regQueryValue(*message, kRoom) : RapiAnswer{};
    if (!answer.valid || answer.callError != 0)
        return ce::kErrorGenFailure;
    if (answer.value != 0)
        return static_cast<std::int32_t>(answer.value);
    if (answer.type != ce::kRegSz)
        return ce::kErrorInvalidParameter;
    for (std::size_t i = 0; i + 1 < answer.data.size(); i += 2) {
        auto unit = static_cast<char16_t>(answer.data[i] | answer.data[i + 1] << 8);
        if (unit == 0)
            break;
        value.push_back(unit);
    }
    return ce::kErrorSuccess;
}

std::int32_t RapiDevice::regCloseKey(DeviceHandle key)
{
    Open* open = find(key, true);
    if (open == nullptr)
        return ce::kErrorInvalidHandle;
    std::uint32_t remote = open->remote;
    m_open.erase(key);
    if (!m_connection)
        return ce::kErrorNotConnected;
    std::optional<RapiAnswer> answer = status(m_requests.regCloseKey(remote));
    if (!answer || answer->callError != 0)
        return ce::kErrorGenFailure;
    return static_cast<std::int32_t>(answer->value);
}

} // namespace tarvo
