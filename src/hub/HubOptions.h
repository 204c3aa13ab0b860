#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tarvo::cehub {

// What `tarvo-cehub` is told on its command line.
struct HubOptions {
    // "ADDRESS:PORT" to listen on for handhelds. Connections to port 5679
    // speak the older control protocol, all others the newer one. On any
    // address but a loopback one, only the link's own peer is taken for a
    // handheld (LinkListener).
    std::vector<std::string> listen;
    // More listening addresses whose connections speak the older protocol
    // whatever their port (for tests, on free ports).
    std::vector<std::string> olderListen;
    // The handheld's port the desktop opens older handhelds' remote-API
    // connections to.
    std::uint16_t olderRapiPort = 990;
    // How often older handhelds are pinged.
    std::chrono::milliseconds pingInterval{5000};
    // The Unix socket local programs ask on.
    std::string socketPath;
    // The stored handheld password, given when a trusted handheld asks and
    // the asking program brings none (UTF-8; empty: none).
    std::string password;
    // A file the person writes: the GUIDs of the handhelds the stored
    // password may go to, one a line (empty: none but those unlocked with a
    // password a program brought during this run).
    std::string trustedFile;
    // A handheld's address to nudge with the connect datagram (empty: none).
    std::string trigger;
    // How long a local request may wait for a handheld to be ready.
    std::chrono::milliseconds requestTimeout{30000};
    // How long a handheld may take to open an asked-for connection, or to
    // finish its handshake.
    std::chrono::milliseconds connectTimeout{10000};

    // Handheld-side connections (handshakes, docked handhelds, remote-API
    // connections not yet handed over), in all and from one address; local
    // programs' requests at once. Lowered to fit the open-files limit.
    std::size_t maxConnections = 64;
    std::size_t maxPerPeer = 8;
    std::size_t maxClients = 32;
    // Passwords sent to one handheld per docking, and the pause after the
    // first wrong one (doubling with each further wrong one).
    int maxPasswordTries = 10;
    std::chrono::milliseconds passwordPause{1000};

    // Readable when the hub should stop (the program's signalfd).
    int stopFd = -1;
    // Where log lines go (without a line end); none: nowhere.
    std::function<void(const std::string&)> log;
};

} // namespace tarvo::cehub
