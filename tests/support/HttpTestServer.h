#pragma once

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace tarvo::test {

// A real HTTP (or HTTPS) server on 127.0.0.1 inside the test process, on a
// port the system picks. Register routes on `routes()`, then `start()`.
// Handlers that have to stall (a server that stops sending) call
// `stallUntilStopped`, so that stopping the server never hangs the test.
class HttpTestServer final {
public:
    HttpTestServer();
    // HTTPS with this certificate and key (the server takes no ownership).
    HttpTestServer(X509* certificate, EVP_PKEY* key);
    HttpTestServer(const HttpTestServer&) = delete;
    HttpTestServer& operator=(const HttpTestServer&) = delete;
    ~HttpTestServer();

    httplib::Server& routes() { return *m_server; }

    // Binds and serves on a thread of its own; false when it cannot listen.
    [[nodiscard]] bool start();
    void stop();

    int port() const { return m_port; }
    // "http://127.0.0.1:<port>" followed by `path` (which starts with '/').
    std::string url(std::string_view path) const;

    // Blocks a handler until the server stops or `limit` has passed; false
    // when the server stopped.
    bool stallUntilStopped(std::chrono::milliseconds limit = std::chrono::seconds(30));

private:
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = -1;
    bool m_tls = false;
    std::mutex m_mutex;
    std::condition_variable m_stopped;
    bool m_stopping = false;
};

// A port on 127.0.0.1 on which nothing listens (connections are refused).
int UnusedLoopbackPort();

} // namespace tarvo::test
