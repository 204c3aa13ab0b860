#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>

namespace tarvo::ceemu {

// What `tarvo-ceemu` is told on its command line.
struct EmulatorOptions {
    std::string hub;            // the desktop, "ADDRESS:PORT"
    std::filesystem::path root; // holds fs/ and registry.reg
    std::uint32_t osMajor = 5;
    std::uint32_t osMinor = 1;
    std::string name = "TarvoHandheld";
    std::string password; // UTF-8; empty: the handheld has none

    // An older handheld (before Windows Mobile 5): the older control
    // protocol, and the desktop connects to it for the remote API, at
    // `rapiListen` ("ADDRESS:PORT"), or on `rapiListenFd` when that is a
    // listening socket already (the emulator then owns it).
    bool older = false;
    std::string rapiListen;
    int rapiListenFd = -1;

    // Faults. The device vanishes (every connection closed at once) after
    // this many remote-API bytes came in; negative: never.
    std::int64_t dropAfterBytes = -1;
    std::string failCreate; // the start of a file name: creating it fails
    std::string failWrite;  // the start of a file name: writing to it fails
    std::string failKey;    // a key path below HKEY_CURRENT_USER
    std::string failValue;  // a value name
    std::chrono::milliseconds slowAnswers{0};

    // Readable when the emulator should stop (the program's signalfd).
    int stopFd = -1;
};

} // namespace tarvo::ceemu
