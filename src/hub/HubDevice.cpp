#include "hub/HubDevice.h"

#include "ceproto/CePassword.h"
#include "ceproto/RapiReader.h"
#include "ceproto/RapiWriter.h"
#include "hub/LogText.h"
#include "text/CodePage.h"

#include <array>
#include <cerrno>
#include <sys/socket.h>

namespace tarvo::cehub {

namespace {

// No information block is anywhere near this size.
constexpr std::size_t kMaxInfo = 64 * 1024;
constexpr std::uint32_t kPing = 0x12345678;

} // namespace

HubDevice::HubDevice(std::uint64_t id, UniqueFd control, NetAddress peer, Protocol protocol,
                     std::chrono::milliseconds pingInterval)
    : m_id(id),
      m_control(std::move(control)),
      m_peer(std::move(peer)),
      m_protocol(protocol),
      m_pingInterval(pingInterval)
{
}

std::string HubDevice::label() const
{
    if (m_info.name.empty())
        return m_peer.text();
    std::string label = "\"";
    label += logText(m_info.name);
    label += '"';
    return label;
}

bool HubDevice::send(std::span<const std::uint8_t> bytes)
{
    if (m_out.send(m_control.get(), bytes))
        return true;
    (void)gone(End::Stalled);
    return false;
}

bool HubDevice::sendWords(std::initializer_list<std::uint32_t> words)
{
    RapiWriter out;
    for (std::uint32_t w : words)
        out.u32(w);
    return send(out.data());
}

HubDevice::Event HubDevice::gone(End end)
{
    if (m_state != State::Gone)
        m_end = end;
    m_state = State::Gone;
    m_control.reset();
    return Event::Gone;
}

HubDevice::Event HubDevice::readable()
{
    std::array<std::uint8_t, 4096> buffer{};
    ssize_t n = ::recv(m_control.get(), buffer.data(), buffer.size(), MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return Event::None;
    if (n <= 0)
        return gone(End::Closed);
    return received(std::span(buffer).first(static_cast<std::size_t>(n)));
}

HubDevice::Event HubDevice::writable()
{
    if (m_state == State::Gone)
        return Event::None;
    return m_out.flush(m_control.get()) ? Event::None : gone(End::Closed);
}

HubDevice::Event HubDevice::received(std::span<const std::uint8_t> bytes)
{
    if (m_state == State::Gone)
        return Event::Gone;
    m_in.insert(m_in.end(), bytes.begin(), bytes.end());
    Event last = Event::None;
    for (;;) {
        std::size_t before = m_taken;
        State stateBefore = m_state;
        Event event = step();
        if (event != Event::None)
            last = event;
        if (m_state == State::Gone)
            return Event::Gone;
        if (m_taken == before && m_state == stateBefore)
            break;
    }
    // What was taken goes at once, not message by message: a handheld that
    // sends a flood of small requests costs the hub no more than their bytes.
    m_in.erase(m_in.begin(), m_in.begin() + static_cast<std::ptrdiff_t>(m_taken));
    m_taken = 0;
    return last;
}

void HubDevice::take(std::size_t size)
{
    m_taken += size;
}

HubDevice::Event HubDevice::identified(std::optional<CeDeviceInfo> info)
{
    if (!info)
        return gone(End::Malformed);
    m_info = std::move(*info);
    return Event::Identified;
}

// Takes one message off the front of what came in, if it is all there.
HubDevice::Event HubDevice::step()
{
    if (m_protocol == Protocol::Older)
        return stepOlder();
    const std::span<const std::uint8_t> in = std::span(m_in).subspan(m_taken);
    switch (m_state) {
    case State::Handshake: {
        if (in.size() < 4)
            return Event::None;
        std::uint32_t request = RapiReader(in).u32();
        take(4);
        bool sent = true;
        if (request == 0)
            sent = sendWords({3});
        else if (request == 6)
            sent = sendWords({7, 8, 4, 5});
        else if (request == 4)
            m_state = State::InfoSize;
        // Other requests are not known; the handheld goes on without an answer.
        return sent ? Event::None : Event::Gone;
    }
    case State::InfoSize: {
        if (in.size() < 4)
            return Event::None;
        m_infoSize = RapiReader(in).u32();
        take(4);
        if (m_infoSize > kMaxInfo)
            return gone(End::Malformed);
        m_state = State::Info;
        return Event::None;
    }
    case State::Info: {
        if (in.size() < m_infoSize)
            return Event::None;
        std::optional<CeDeviceInfo> info = CeDeviceInfo::parse(in.first(m_infoSize));
        take(m_infoSize);
        if (identified(std::move(info)) == Event::Gone)
            return Event::Gone;
        if (m_info.passwordKey == CeDeviceInfo::kNoPassword) {
            m_state = State::Ready;
        } else if (m_info.passwordKey == CeDeviceInfo::kPasswordOnDevice) {
            // Ask the handheld to show its unlock screen.
            m_state = State::Unlocking;
            if (!sendWords({8}))
                return Event::Gone;
        } else {
            m_state = State::Locked;
        }
        return Event::Identified;
    }
    case State::Checking: {
        if (in.size() < 2)
            return Event::None;
        std::uint16_t result = RapiReader(in).u16();
        take(2);
        m_state = result != 0 ? State::Ready : State::Locked;
        if (result == 0) {
            ++m_rejected;
            return Event::PasswordRejected;
        }
        m_password = m_tried;
        return Event::Ready;
    }
    case State::Unlocking: {
        if (in.size() < 4)
            return Event::None;
        std::uint32_t result = RapiReader(in).u32();
        take(4);
        if (result != 0)
            return Event::None;
        // The two words the desktop software sends after an unlock.
        m_state = State::Ready;
        return sendWords({0, 0x0C}) ? Event::Ready : Event::Gone;
    }
    case State::Locked:
    case State::Ready: {
        if (in.size() < 4)
            return Event::None;
        std::uint32_t word = RapiReader(in).u32();
        take(4);
        if (word == kPing && !sendWords({kPing}))
            return Event::Gone;
        return Event::None;
    }
    case State::Gone:
        return Event::Gone;
    }
    return Event::None;
}

bool HubDevice::sendPassword(const std::string& password)
{
    std::u16string units = CodePage::utf8ToUtf16(password);
    if (m_state != State::Locked || units.size() + 1 > CePassword::kMaxBytes / 2)
        return false;
    // The older protocol counts the NUL in; the newer one does not.
    const bool older = m_protocol == Protocol::Older;
    if (!send(CePassword::encode(units, older ? m_olderKey : m_info.passwordKey, older)))
        return false;
    m_tried = password;
    m_state = State::Checking;
    return true;
}

HubDevice::Event HubDevice::stepOlder()
{
    const std::span<const std::uint8_t> in = std::span(m_in).subspan(m_taken);
    switch (m_state) {
    case State::Handshake: {
        // Headers: 0 is an empty packet, below 512 the information's size,
        // from 512 a password challenge whose low byte is the key.
        if (in.size() < 4)
            return Event::None;
        std::uint32_t header = RapiReader(in).u32();
        take(4);
        if (header == 0)
            return Event::None;
        if (header >= CeDeviceInfo::kMaxLegacyBlock) {
            m_olderKey = header & 0xFF;
            return Event::None;
        }
        m_infoSize = header;
        m_state = State::Info;
        return Event::None;
    }
    case State::Info: {
        if (in.size() < m_infoSize)
            return Event::None;
        std::optional<CeDeviceInfo> info = CeDeviceInfo::parseLegacy(in.first(m_infoSize));
        take(m_infoSize);
        if (identified(std::move(info)) == Event::Gone)
            return Event::Gone;
        m_info.passwordKey = m_olderKey;
        m_nextPing = std::chrono::steady_clock::now() + m_pingInterval;
        m_state = m_olderKey != 0 ? State::Locked : State::Ready;
        return Event::Identified;
    }
    case State::Checking: {
        if (in.size() < 2)
            return Event::None;
        std::uint16_t result = RapiReader(in).u16();
        take(2);
        m_state = result != 0 ? State::Ready : State::Locked;
        if (result == 0) {
            ++m_rejected;
            return Event::PasswordRejected;
        }
        m_password = m_tried;
        m_nextPing = std::chrono::steady_clock::now() + m_pingInterval;
        return Event::Ready;
    }
    default: {
        if (in.size() < 4)
            return Event::None;
        std::uint32_t word = RapiReader(in).u32();
        take(4);
        if (word == kPing)
            m_unanswered = 0;
        return Event::None;
    }
    }
}

HubDevice::Event HubDevice::tick(std::chrono::steady_clock::time_point now)
{
    if (m_state == State::Gone)
        return Event::None;
    if (m_out.stuck(now, kSendPatience))
        return gone(End::Stalled);
    if (m_protocol != Protocol::Older || m_state != State::Ready || now < m_nextPing)
        return Event::None;
    if (m_unanswered >= kMaxUnansweredPings)
        return gone(End::Silent);
    m_nextPing = now + m_pingInterval;
    ++m_unanswered;
    return sendWords({kPing}) ? Event::None : Event::Gone;
}

bool HubDevice::requestConnection(std::uint32_t requestId)
{
    if (m_state != State::Ready)
        return false;
    return sendWords({5, 4, requestId});
}

} // namespace tarvo::cehub
