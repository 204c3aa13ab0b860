#pragma once

#include "device/CeDeviceInfo.h"
#include "support/NetAddress.h"
#include "support/UniqueFd.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tarvo::cehub {

// The desktop's side of one handheld's control connection (the newer
// protocol of port 990): the handshake, the device information, the
// password, and the requests for remote-API connections. It reads what
// arrives and answers at once; what the hub needs to know comes back as an
// event.
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
    enum class Event { None, Identified, Ready, PasswordRejected, Gone };

    HubDevice(std::uint64_t id, UniqueFd control, NetAddress peer);
    HubDevice(const HubDevice&) = delete;
    HubDevice& operator=(const HubDevice&) = delete;

    std::uint64_t id() const { return m_id; }
    int fd() const { return m_control.get(); }
    const NetAddress& peer() const { return m_peer; }
    State state() const { return m_state; }
    const CeDeviceInfo& info() const { return m_info; }
    // The name, or the peer address before the information came.
    std::string label() const;

    // Bytes that came on the control connection (also the first word, read
    // before the connection was known to be a control connection).
    Event received(std::span<const std::uint8_t> bytes);
    // Reads what is there; Gone when the handheld closed or failed.
    Event readable();

    // In state Locked: sends the password (UTF-8) and waits for the result.
    bool sendPassword(const std::string& password);
    // In state Ready: asks the handheld to open a remote-API connection
    // that will start with `requestId`.
    bool requestConnection(std::uint32_t requestId);

private:
    Event step();
    bool send(std::span<const std::uint8_t> bytes);
    bool sendWords(std::initializer_list<std::uint32_t> words);
    Event gone();

    std::uint64_t m_id;
    UniqueFd m_control;
    NetAddress m_peer;
    State m_state = State::Handshake;
    CeDeviceInfo m_info;
    std::vector<std::uint8_t> m_in;
    std::size_t m_infoSize = 0;
};

} // namespace tarvo::cehub
