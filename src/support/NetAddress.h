#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <sys/socket.h>

namespace tarvo {

// A numeric IPv4 or IPv6 address with a port, as written on command lines:
// "169.254.2.2:990", "127.0.0.1:0", "[::1]:5679". Names are not looked up,
// so no name service is ever asked.
class NetAddress final {
public:
    static std::optional<NetAddress> parse(std::string_view text);
    // The address a socket is bound or connected to.
    static std::optional<NetAddress> ofSocket(int fd, bool peer);

    const sockaddr* get() const { return reinterpret_cast<const sockaddr*>(&m_storage); }
    socklen_t length() const { return m_length; }
    int family() const { return m_storage.ss_family; }
    std::uint16_t port() const;
    void setPort(std::uint16_t port);
    // The address without the port ("127.0.0.1", "::1").
    std::string host() const;
    // As `parse` reads it.
    std::string text() const;

private:
    sockaddr_storage m_storage{};
    socklen_t m_length = 0;
};

} // namespace tarvo
