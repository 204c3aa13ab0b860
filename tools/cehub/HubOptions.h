#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace tarvo::cehub {

// What `tarvo-cehub` is told on its command line.
struct HubOptions {
    // "ADDRESS:PORT" to listen on for handhelds.
    std::vector<std::string> listen;
    // The Unix socket local programs ask on.
    std::string socketPath;
    // The handheld password to give when a handheld asks and the asking
    // program brings none (UTF-8; empty: none).
    std::string password;
    // A handheld's address to nudge with the connect datagram (empty: none).
    std::string trigger;
    // How long a local request may wait for a handheld to be ready.
    std::chrono::milliseconds requestTimeout{30000};
    // How long a handheld may take to open an asked-for connection.
    std::chrono::milliseconds connectTimeout{10000};
    // Readable when the hub should stop (the program's signalfd).
    int stopFd = -1;
    // Where log lines go (without a line end); none: nowhere.
    std::function<void(const std::string&)> log;
};

} // namespace tarvo::cehub
