#include "support/NetAddress.h"

#include <arpa/inet.h>
#include <charconv>
#include <cstring>
#include <netinet/in.h>

namespace tarvo {

std::optional<NetAddress> NetAddress::parse(std::string_view text)
{
    std::size_t colon = text.rfind(':');
    if (colon == std::string_view::npos || colon == 0)
        return std::nullopt;
    std::string_view host = text.substr(0, colon);
    std::string_view portText = text.substr(colon + 1);
    unsigned port = 0;
    auto [end, error] = std::from_chars(portText.data(), portText.data() + portText.size(), port);
    if (error != std::errc() || end != portText.data() + portText.size() || portText.empty() || port > 65535)
        return std::nullopt;
    NetAddress address;
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
        std::string inner(host.substr(1, host.size() - 2));
        sockaddr_in6 v6{};
        v6.sin6_family = AF_INET6;
        if (::inet_pton(AF_INET6, inner.c_str(), &v6.sin6_addr) != 1)
            return std::nullopt;
        std::memcpy(&address.m_storage, &v6, sizeof v6);
        address.m_length = sizeof v6;
    } else {
        std::string inner(host);
        sockaddr_in v4{};
        v4.sin_family = AF_INET;
        if (::inet_pton(AF_INET, inner.c_str(), &v4.sin_addr) != 1)
            return std::nullopt;
        std::memcpy(&address.m_storage, &v4, sizeof v4);
        address.m_length = sizeof v4;
    }
    address.setPort(static_cast<std::uint16_t>(port));
    return address;
}

std::optional<NetAddress> NetAddress::ofSocket(int fd, bool peer)
{
    NetAddress address;
    address.m_length = sizeof address.m_storage;
    auto* raw = reinterpret_cast<sockaddr*>(&address.m_storage);
    int result = peer ? ::getpeername(fd, raw, &address.m_length) : ::getsockname(fd, raw, &address.m_length);
    if (result != 0 || (address.family() != AF_INET && address.family() != AF_INET6))
        return std::nullopt;
    return address;
}

std::uint16_t NetAddress::port() const
{
    if (family() == AF_INET)
        return ntohs(reinterpret_cast<const sockaddr_in*>(&m_storage)->sin_port);
    if (family() == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6*>(&m_storage)->sin6_port);
    return 0;
}

void NetAddress::setPort(std::uint16_t port)
{
    if (family() == AF_INET)
        reinterpret_cast<sockaddr_in*>(&m_storage)->sin_port = htons(port);
    else if (family() == AF_INET6)
        reinterpret_cast<sockaddr_in6*>(&m_storage)->sin6_port = htons(port);
}

std::string NetAddress::host() const
{
    char text[INET6_ADDRSTRLEN] = {};
    if (family() == AF_INET)
        ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(&m_storage)->sin_addr, text, sizeof text);
    else if (family() == AF_INET6)
        ::inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(&m_storage)->sin6_addr, text, sizeof text);
    return text;
}

std::string NetAddress::text() const
{
    std::string out;
    if (family() == AF_INET6) {
        out.push_back('[');
        out.append(host());
        out.push_back(']');
    } else {
        out.append(host());
    }
    out.push_back(':');
    out.append(std::to_string(port()));
    return out;
}

} // namespace tarvo
