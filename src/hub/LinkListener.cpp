#include "hub/LinkListener.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <vector>

namespace tarvo::cehub {

namespace {

// Handhelds before Windows Mobile 5 connect here.
constexpr std::uint16_t kOlderPort = 5679;

// The address bytes of an IPv4 or IPv6 socket address (empty for others).
std::vector<std::uint8_t> bytesOf(const sockaddr* address)
{
    if (address == nullptr)
        return {};
    if (address->sa_family == AF_INET) {
        const auto* in = reinterpret_cast<const sockaddr_in*>(address);
        const auto* b = reinterpret_cast<const std::uint8_t*>(&in->sin_addr);
        return {b, b + 4};
    }
    if (address->sa_family == AF_INET6) {
        const auto* in = reinterpret_cast<const sockaddr_in6*>(address);
        return {in->sin6_addr.s6_addr, in->sin6_addr.s6_addr + 16};
    }
    return {};
}

bool isLoopback(const std::vector<std::uint8_t>& bytes)
{
    if (bytes.size() == 4)
        return bytes[0] == 127;
    static const std::uint8_t one[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    return bytes.size() == 16 && std::equal(bytes.begin(), bytes.end(), one);
}

bool isWildcard(const std::vector<std::uint8_t>& bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

// The interface that holds an address, with the address's network mask.
struct Holder {
    std::string name;
    unsigned index = 0;
    std::vector<std::uint8_t> mask;
};

// The machine's own addresses, and the holder of `address` among them.
struct Interfaces {
    std::vector<std::vector<std::uint8_t>> own;
    std::optional<Holder> holder;

    explicit Interfaces(const std::vector<std::uint8_t>& address)
    {
        ifaddrs* list = nullptr;
        if (::getifaddrs(&list) != 0)
            return;
        for (ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
            std::vector<std::uint8_t> bytes = bytesOf(entry->ifa_addr);
            if (bytes.empty())
                continue;
            if (bytes == address && !holder)
                holder = Holder{entry->ifa_name, ::if_nametoindex(entry->ifa_name), bytesOf(entry->ifa_netmask)};
            own.push_back(std::move(bytes));
        }
        ::freeifaddrs(list);
    }
};

} // namespace

LinkListener::LinkListener(NetAddress address, bool older, bool loopback)
    : m_address(std::move(address)), m_older(older), m_loopback(loopback)
{
}

std::optional<LinkListener> LinkListener::open(const std::string& text, bool older, std::string& error)
{
    std::optional<NetAddress> address = NetAddress::parse(text);
    if (!address) {
        error = "not an ADDRESS:PORT: " + text;
        return std::nullopt;
    }
    const std::vector<std::uint8_t> bytes = bytesOf(address->get());
    if (isWildcard(bytes)) {
        error = "will not listen on every address (" + text +
                "): anyone who reaches this machine could pose as a handheld; name the handheld link's address";
        return std::nullopt;
    }
    LinkListener listener(*address, older || address->port() == kOlderPort, isLoopback(bytes));
    std::optional<Holder> holder = listener.m_loopback ? std::nullopt : Interfaces(bytes).holder;
    if (!listener.bind(holder ? holder->name : std::string(), error)) {
        // An interface that cannot be tied to still leaves the peer check.
        if (!holder || !listener.bind({}, error))
            return std::nullopt;
        listener.m_tieFailed = true;
    }
    listener.m_boundIndex = holder && !listener.m_tieFailed ? holder->index : 0;
    if (listener.m_loopback)
        listener.m_note = "a loopback address: every local program can pose as a handheld there (for tests and "
                          "demonstrations only)";
    else if (listener.m_tieFailed)
        listener.m_note = error + "; only the check of each connection's address holds";
    else if (holder)
        listener.m_note = "handhelds on the interface " + holder->name + " only";
    else
        listener.m_note = "no interface holds it yet; handhelds on the one that will only";
    // The port actually bound, for the ones asked as 0 and for rebinding.
    if (std::optional<NetAddress> bound = NetAddress::ofSocket(listener.m_fd.get(), false))
        listener.m_address = *bound;
    return listener;
}

bool LinkListener::bind(const std::string& device, std::string& error)
{
    m_fd.reset(::socket(m_address.family(), SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    int on = 1;
    if (m_fd) {
        (void)::setsockopt(m_fd.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        // The handheld link's address exists only while a handheld is
        // plugged in: bind before it does.
        if (m_address.family() == AF_INET)
            (void)::setsockopt(m_fd.get(), IPPROTO_IP, IP_FREEBIND, &on, sizeof on);
        else
            (void)::setsockopt(m_fd.get(), IPPROTO_IPV6, IPV6_FREEBIND, &on, sizeof on);
    }
    if (m_fd && !device.empty() &&
        ::setsockopt(m_fd.get(), SOL_SOCKET, SO_BINDTODEVICE, device.c_str(),
                     static_cast<socklen_t>(device.size())) != 0) {
        error = "cannot tie " + m_address.text() + " to the interface " + device + ": " + std::strerror(errno);
        m_fd.reset();
        return false;
    }
    if (!m_fd || ::bind(m_fd.get(), m_address.get(), m_address.length()) != 0 || ::listen(m_fd.get(), 16) != 0) {
        error = "cannot listen on " + m_address.text() + ": " + std::strerror(errno);
        m_fd.reset();
        return false;
    }
    return true;
}

std::string LinkListener::text() const
{
    return m_address.text();
}

void LinkListener::refresh(const Log& log)
{
    if (m_loopback)
        return;
    std::optional<Holder> holder = Interfaces(bytesOf(m_address.get())).holder;
    if (!holder || holder->index == m_boundIndex || m_tieFailed)
        return;
    // A socket tied to one interface cannot be tied to another (without
    // CAP_NET_RAW), and two listeners on one port would clash: a new one.
    m_fd.reset();
    std::string error;
    if (bind(holder->name, error)) {
        m_boundIndex = holder->index;
        log("listening on " + text() + " on the interface " + holder->name + " only");
        return;
    }
    log(error + "; only the check of each connection's address holds");
    m_tieFailed = true;
    if (!bind({}, error))
        log(error);
}

bool LinkListener::fromLink(const NetAddress& peer, std::string& why) const
{
    const std::vector<std::uint8_t> bytes = bytesOf(peer.get());
    Interfaces interfaces(bytesOf(m_address.get()));
    if (!interfaces.holder) {
        why = "no interface holds " + m_address.host();
        return false;
    }
    const Holder& holder = *interfaces.holder;
    const std::vector<std::uint8_t> own = bytesOf(m_address.get());
    bool inNetwork = holder.mask.size() == bytes.size() && own.size() == bytes.size();
    for (std::size_t i = 0; inNetwork && i < bytes.size(); ++i)
        inNetwork = (bytes[i] & holder.mask[i]) == (own[i] & holder.mask[i]);
    if (!inNetwork) {
        why = "not from the network of " + holder.name;
        return false;
    }
    if (std::find(interfaces.own.begin(), interfaces.own.end(), bytes) != interfaces.own.end()) {
        why = "from this machine itself";
        return false;
    }
    return true;
}

LinkListener::Accept LinkListener::accept(UniqueFd& connection, NetAddress& peer, std::string& why)
{
    UniqueFd fd(::accept4(m_fd.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
    if (!fd) {
        return errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM ? Accept::NoDescriptors
                                                                                            : Accept::Nothing;
    }
    std::optional<NetAddress> from = NetAddress::ofSocket(fd.get(), true);
    if (!from)
        return Accept::Nothing;
    peer = *from;
    if (!m_loopback && !fromLink(peer, why))
        return Accept::Refused;
    int on = 1;
    (void)::setsockopt(fd.get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    connection = std::move(fd);
    return Accept::Accepted;
}

} // namespace tarvo::cehub
