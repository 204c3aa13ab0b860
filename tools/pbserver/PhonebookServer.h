#pragma once

#include <filesystem>
#include <memory>
#include <string>

namespace httplib {
class Server;
}

namespace tarvo::pbserver {

struct ServerOptions {
    // The folder served: "verce/<list>.ver" and the files the lists name,
    // each under "<path>.<major>" (or its bare path when major is 0).
    std::filesystem::path root;
    std::string host = "127.0.0.1";
    // 0: the system picks a free port.
    int port = 0;
    // Both set: every request must carry them as Basic authorization.
    std::string user;
    std::string password;
    // Both set: HTTPS with this certificate (PEM, chain allowed) and key.
    std::string certificateFile;
    std::string keyFile;
};

// A small phonebook server: serves the files of a folder to the update
// service, read-only, GET only, with the length announced for every file.
// Paths that could leave the folder are refused.
class PhonebookServer final {
public:
    explicit PhonebookServer(ServerOptions options);
    PhonebookServer(const PhonebookServer&) = delete;
    PhonebookServer& operator=(const PhonebookServer&) = delete;
    ~PhonebookServer();

    // Why the server cannot run (an unreadable certificate or key, a root
    // that is no folder); empty when it can.
    [[nodiscard]] const std::string& problem() const { return m_problem; }

    // Takes the port; false when it cannot (the port is taken).
    [[nodiscard]] bool bind();
    // Serves until `stop`; false when serving failed.
    bool listen();
    // From any thread, also a signal-waiting one; harmless before `listen`.
    void stop();

    [[nodiscard]] bool running() const;
    int port() const { return m_port; }
    // "http://host:port" or "https://host:port".
    std::string url() const;

private:
    void route();

    ServerOptions m_options;
    std::unique_ptr<httplib::Server> m_server;
    std::string m_expectedAuthorization;
    std::string m_problem;
    int m_port = -1;
};

} // namespace tarvo::pbserver
