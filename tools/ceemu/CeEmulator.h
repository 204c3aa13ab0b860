#pragma once

#include "ceemu/EmulatorOptions.h"
#include "support/UniqueFd.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

namespace tarvo {
struct CeDeviceInfo;
}

namespace tarvo::ceemu {

// A handheld on TCP: it connects to the desktop's connection manager, runs
// the control protocol (handshake, device information, password), opens a
// remote-API connection for each one the desktop asks for (or, as an older
// handheld, takes the ones the desktop opens to it) and serves the remote
// API from the root's fs/ and registry.reg.
class CeEmulator final {
public:
    enum class End {
        Stopped,   // stop() or the stop descriptor
        HubClosed, // the desktop closed the control connection
        Dropped,   // the drop fault fired
        Failed,    // the desktop could not be reached, or the handshake failed
    };

    explicit CeEmulator(EmulatorOptions options);
    CeEmulator(const CeEmulator&) = delete;
    CeEmulator& operator=(const CeEmulator&) = delete;
    ~CeEmulator();

    // Runs until one of the ends above; once per object.
    End run();
    // From any thread.
    void stop();

    // The handshake is done and the desktop may ask for connections.
    bool ready() const { return m_ready.load(); }
    std::uint64_t bytesReceived() const { return m_received.load(); }

private:
    CeDeviceInfo info() const;
    std::vector<std::uint8_t> deviceInfo() const;
    std::vector<std::uint8_t> olderDeviceInfo() const;
    bool handshake(int fd);
    bool handshakeOlder(int fd);
    // Reads one password message; nullopt when none came.
    std::optional<bool> passwordMatches(int fd);
    bool checkPassword(int fd);
    End serve(int control);

    EmulatorOptions m_options;
    UniqueFd m_stop;
    UniqueFd m_rapiListener; // older handhelds only
    std::atomic<bool> m_ready{false};
    std::atomic<std::uint64_t> m_received{0};
};

} // namespace tarvo::ceemu
