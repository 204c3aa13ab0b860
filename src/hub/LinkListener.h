#pragma once

#include "support/NetAddress.h"
#include "support/UniqueFd.h"

#include <functional>
#include <optional>
#include <string>

namespace tarvo::cehub {

// One address the hub listens on for handhelds.
//
// On a handheld's link (any address but a loopback one) only the link's own
// peer is a handheld, because Linux takes packets for a local address in on
// every interface: the listening socket is tied to the interface that holds
// the address (SO_BINDTODEVICE, made anew when that interface changes, as
// when a handheld is plugged in again), and a connection is accepted only
// from that interface's network and from no address of this machine. On a
// loopback address (tests, the demo) every local program is a peer; the hub
// says so in its log.
class LinkListener final {
public:
    using Log = std::function<void(const std::string&)>;

    // Binds and listens; nullopt with a message. Every address but a
    // wildcard one is allowed; the link's address may not exist yet
    // (IP_FREEBIND: it appears when a handheld is plugged in).
    static std::optional<LinkListener> open(const std::string& text, bool older, std::string& error);

    int fd() const { return m_fd.get(); }
    bool older() const { return m_older; }
    bool loopback() const { return m_loopback; }
    // The address with the port actually bound.
    std::string text() const;
    // Who may connect, for the hub's log.
    const std::string& note() const { return m_note; }

    // Looks at which interface holds the address now, and ties the
    // listening socket to it when that changed.
    void refresh(const Log& log);

    enum class Accept { Nothing, Accepted, Refused, NoDescriptors };
    // Accepts one waiting connection: Accepted with it and its peer;
    // Refused (closed, with the reason) when the peer is not the link's;
    // NoDescriptors when the process has no descriptor left for it.
    Accept accept(UniqueFd& connection, NetAddress& peer, std::string& why);

private:
    LinkListener(NetAddress address, bool older, bool loopback);
    bool bind(const std::string& device, std::string& error);
    bool fromLink(const NetAddress& peer, std::string& why) const;

    NetAddress m_address;
    bool m_older = false;
    bool m_loopback = false;
    UniqueFd m_fd;
    unsigned m_boundIndex = 0; // the interface the socket is tied to (0: none)
    bool m_tieFailed = false;
    std::string m_note;
};

} // namespace tarvo::cehub
