#pragma once

#include "ceproto/CeDeviceInfo.h"
#include "hub/OutputQueue.h"
#include "support/NetAddress.h"
#include "support/UniqueFd.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tarvo::cehub {

// The desktop's side of one handheld's control connection: the handshake,
// the device information, the password, and (newer protocol, port 990) the
// requests for remote-API connections or (older protocol, port 5679) the
// pings that tell the handheld is still there. It reads what arrives and
// answers at once, through a queue that never waits for the handheld; what
// the hub needs to know comes back as an event.
class HubDevice final {
public:
    enum class State {
        Handshake,  // answering the handheld's opening requests
        InfoSize,   // the information block's length is next
        Info,       // the information block is next
        Locked,     // a password is wanted
        Checking,   // a password was sent, its result is next
        Unlocking,  // the password is being typed on the handheld
        Ready,      // remote-API connections can be asked for
        Gone,
    };
    // Identified: the information came (the state says whether the handheld
    // is ready, locked, or being unlocked on itself). Ready: unlocked since.
    enum class Event { None, Identified, Ready, PasswordRejected, Gone };
    // Why a handheld is gone.
    enum class End { None, Closed, Malformed, Stalled, Silent, Dropped };
    enum class Protocol { Newer, Older };

    // The older protocol pings (every 5 s unless told otherwise); three
    // pings unanswered and the handheld counts as gone.
    static constexpr std::chrono::milliseconds kPingInterval{5000};
    static constexpr int kMaxUnansweredPings = 3;
    // A handheld that takes none of what waits for it in this time is gone.
    static constexpr std::chrono::milliseconds kSendPatience{5000};

    HubDevice(std::uint64_t id, UniqueFd control, NetAddress peer, Protocol protocol = Protocol::Newer,
              std::chrono::milliseconds pingInterval = kPingInterval);
    HubDevice(const HubDevice&) = delete;
    HubDevice& operator=(const HubDevice&) = delete;

    std::uint64_t id() const { return m_id; }
    Protocol protocol() const { return m_protocol; }
    // The password the handheld accepted (older handhelds want it again on
    // every remote-API connection).
    const std::string& password() const { return m_password; }
    int fd() const { return m_control.get(); }
    const NetAddress& peer() const { return m_peer; }
    State state() const { return m_state; }
    End end() const { return m_end; }
    const CeDeviceInfo& info() const { return m_info; }
    // The name (fit for a log line), or the peer address before the
    // information came.
    std::string label() const;
    // Wrong passwords in this docking.
    int rejected() const { return m_rejected; }
    // True while something waits to go to the handheld.
    bool sending() const { return !m_out.empty(); }

    // Bytes that came on the control connection (also the first word, read
    // before the connection was known to be a control connection).
    Event received(std::span<const std::uint8_t> bytes);
    // Reads what is there; Gone when the handheld closed or failed.
    Event readable();
    // Sends what waits, as far as the handheld takes it.
    Event writable();

    // In state Locked: sends the password (UTF-8) and waits for the result.
    bool sendPassword(const std::string& password);
    // In state Ready (newer protocol): asks the handheld to open a
    // remote-API connection that will start with `requestId`.
    bool requestConnection(std::uint32_t requestId);
    // Pings an older handheld when it is time; Gone after too many
    // unanswered, or when the handheld takes nothing of what is sent.
    Event tick(std::chrono::steady_clock::time_point now);
    // True until the handheld has told who it is.
    bool introducing() const
    {
        return m_state == State::Handshake || m_state == State::InfoSize || m_state == State::Info;
    }
    std::chrono::steady_clock::time_point since() const { return m_since; }
    // Lets the handheld go (the hub's choice; the hub says why).
    void drop() { (void)gone(End::Dropped); }

private:
    Event step();
    Event stepOlder();
    // Marks `size` bytes of what came in as read.
    void take(std::size_t size);
    bool send(std::span<const std::uint8_t> bytes);
    bool sendWords(std::initializer_list<std::uint32_t> words);
    Event identified(std::optional<CeDeviceInfo> info);
    Event gone(End end);

    std::uint64_t m_id;
    UniqueFd m_control;
    NetAddress m_peer;
    State m_state = State::Handshake;
    End m_end = End::None;
    CeDeviceInfo m_info;
    std::vector<std::uint8_t> m_in;
    std::size_t m_taken = 0; // of m_in, read by the steps of one received()
    OutputQueue m_out;
    std::size_t m_infoSize = 0;
    Protocol m_protocol;
    std::uint32_t m_olderKey = 0; // the older protocol's key comes before the information
    std::string m_password;
    std::string m_tried;
    int m_rejected = 0;
    std::chrono::steady_clock::time_point m_since = std::chrono::steady_clock::now();
    std::chrono::milliseconds m_pingInterval;
    std::chrono::steady_clock::time_point m_nextPing;
    int m_unanswered = 0;
};

} // namespace tarvo::cehub
