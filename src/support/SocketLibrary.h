#pragma once

namespace tarvo {

// The network layer's process-wide start and stop: Windows Sockets 2.0
// (WSAStartup) on Windows, libcurl's global state (and with it the TLS
// library) on Linux. Start-up starts it once, before any thread of its own
// runs, and the program keeps it until it ends; without it the HTTP calls
// still work (WinHTTP needs no Winsock of ours), but on Linux each first
// use then initialises libcurl lazily on whichever thread gets there first.
class SocketLibrary final {
public:
    SocketLibrary() = default;
    SocketLibrary(const SocketLibrary&) = delete;
    SocketLibrary& operator=(const SocketLibrary&) = delete;
    ~SocketLibrary() { stop(); }

    // False when the library cannot be started (phonebook updating is then
    // unavailable). Starting twice is harmless.
    [[nodiscard]] bool start();
    void stop();
    [[nodiscard]] bool started() const { return m_started; }

private:
    bool m_started = false;
};

} // namespace tarvo
