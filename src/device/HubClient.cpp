#include "device/HubClient.h"

#include "ceproto/CeHubProtocol.h"
#include "support/DescriptorPassing.h"
#include "support/SocketIo.h"

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>

namespace tarvo {

namespace {

SessionRefusal refusalOf(std::string_view reason)
{
    if (reason == CeHubProtocol::kErrorPasswordRequired)
        return SessionRefusal::Locked;
    if (reason == CeHubProtocol::kErrorPasswordRejected)
        return SessionRefusal::PasswordRefused;
    // No handheld, one that went away, or an answer that made no sense.
    return SessionRefusal::NoDevice;
}

// Receives what is there of the hub's answer (without waiting) and the
// descriptor that comes with it: the hub passes the connection's socket
// with its answer line. -1: an error; 0: the hub closed; else the bytes
// appended to `line`.
ssize_t receiveWithDescriptor(int socket, std::string& line, UniqueFd& passed)
{
    char data[512];
    ssize_t n = socketio::receiveWithDescriptor(socket, data, sizeof data, passed);
    if (n > 0)
        line.append(data, static_cast<std::size_t>(n));
    return n;
}

// An attempt that already has its answer.
class Answered final : public RapiConnectAttempt {
public:
    explicit Answered(SessionRefusal refusal) { m_offer.refusal = refusal; }
    DeviceWait wait(std::chrono::milliseconds) override { return DeviceWait::Signalled; }
    RapiOffer take() override { return std::move(m_offer); }

private:
    RapiOffer m_offer;
};

// The hub's answer to one request: it comes when a handheld is ready (or
// the hub refuses).
class HubAttempt final : public RapiConnectAttempt {
public:
    explicit HubAttempt(UniqueFd socket) : m_socket(std::move(socket)) {}

    DeviceWait wait(std::chrono::milliseconds timeout) override
    {
        if (m_done)
            return DeviceWait::Signalled;
        socketio::Wait ready = socketio::waitReadable(m_socket.get(), -1, timeout);
        if (ready == socketio::Wait::TimedOut)
            return DeviceWait::TimedOut;
        if (ready != socketio::Wait::Ready) {
            finish(SessionRefusal::NoDevice);
            return DeviceWait::Signalled;
        }
        receive();
        return m_done ? DeviceWait::Signalled : DeviceWait::TimedOut;
    }

    RapiOffer take() override { return std::move(m_offer); }

private:
    void finish(SessionRefusal refusal)
    {
        m_done = true;
        m_offer.refusal = refusal;
        m_offer.connection.reset();
    }

    void receive()
    {
        ssize_t n = receiveWithDescriptor(m_socket.get(), m_line, m_offer.connection);
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        if (n <= 0) {
            finish(SessionRefusal::NoDevice);
            return;
        }
        std::size_t end = m_line.find('\n');
        if (end == std::string::npos) {
            if (m_line.size() > CeHubProtocol::kMaxLine)
                finish(SessionRefusal::NoDevice);
            return;
        }
        std::optional<CeHubProtocol::Answer> answer = CeHubProtocol::parseAnswer(m_line.substr(0, end));
        if (!answer) {
            finish(SessionRefusal::NoDevice);
        } else if (!answer->ok) {
            finish(refusalOf(answer->error));
        } else if (!m_offer.connection) {
            finish(SessionRefusal::NoDevice);
        } else {
            m_done = true;
            m_offer.osMajor = answer->osMajor;
            m_offer.osMinor = answer->osMinor;
            m_offer.name = std::move(answer->name);
        }
    }

    UniqueFd m_socket;
    std::string m_line;
    RapiOffer m_offer;
    bool m_done = false;
};

} // namespace

std::unique_ptr<RapiConnectAttempt> HubClient::connect(const std::string& deviceName, const std::string& password)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!socket || m_socketPath.size() >= sizeof address.sun_path)
        return std::make_unique<Answered>(SessionRefusal::NoManager);
    std::memcpy(address.sun_path, m_socketPath.c_str(), m_socketPath.size() + 1);
    const std::string request = CeHubProtocol::connectRequest(deviceName, password);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(request.data());
    if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        !socketio::sendAll(socket.get(), {std::span(bytes, request.size())}, -1, std::chrono::seconds(5)))
        return std::make_unique<Answered>(SessionRefusal::NoManager);
    return std::make_unique<HubAttempt>(std::move(socket));
}

} // namespace tarvo
