#include "support/HttpTestServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tarvo::test {

HttpTestServer::HttpTestServer() : m_server(std::make_unique<httplib::Server>()) {}

HttpTestServer::HttpTestServer(X509* certificate, EVP_PKEY* key)
    : m_server(std::make_unique<httplib::SSLServer>(certificate, key)), m_tls(true)
{
}

HttpTestServer::~HttpTestServer()
{
    stop();
}

bool HttpTestServer::start()
{
    if (m_thread.joinable() || !m_server->is_valid())
        return false;
    // A client that keeps its connection open must not hold up the stop.
    m_server->set_keep_alive_timeout(1);
    m_port = m_server->bind_to_any_port("127.0.0.1");
    if (m_port <= 0)
        return false;
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    // This httplib has no wait_until_ready: a stop issued before the server
    // runs is lost, and a request sent before it would hang.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!m_server->is_running()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void HttpTestServer::stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_stopped.notify_all();
    if (!m_thread.joinable())
        return;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!m_server->is_running() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    m_server->stop();
    m_thread.join();
}

std::string HttpTestServer::url(std::string_view path) const
{
    return std::string(m_tls ? "https" : "http") + "://127.0.0.1:" + std::to_string(m_port) + std::string(path);
}

bool HttpTestServer::stallUntilStopped(std::chrono::milliseconds limit)
{
    std::unique_lock lock(m_mutex);
    return !m_stopped.wait_for(lock, limit, [this] { return m_stopping; });
}

int UnusedLoopbackPort()
{
    // Bound but never listening: the port stays ours and refuses connections.
    // It is released again right away, which leaves a tiny window in which
    // another process could take it; good enough on a test machine.
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    int port = -1;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

} // namespace tarvo::test
