// tarvo-ceemu: a Windows CE handheld on TCP, for tests, the demo and the
// benchmarks. It connects to the desktop's connection manager and serves
// the remote API from a folder laid out like the simulated handheld.
#include "ceemu/CeEmulator.h"

#include <CLI/CLI.hpp>

#include <csignal>
#include <cstdio>
#include <sys/signalfd.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    tarvo::ceemu::EmulatorOptions options;
    std::string os = "5.1";
    long long slowMs = 0;
    CLI::App app("A Windows CE handheld on TCP: connects to tarvo-cehub and serves the remote API from DIR/fs and "
                 "DIR/registry.reg.",
                 "tarvo-ceemu");
    app.add_option("--connect", options.hub, "The desktop's connection manager, ADDRESS:PORT")->required();
    app.add_option("--root", options.root, "The handheld's folder (fs/, registry.reg)")->required()->check(
        CLI::ExistingDirectory);
    app.add_option("--os", os, "The OS version the handheld reports (5.1 and later speak the newer layout)")
        ->capture_default_str();
    app.add_option("--name", options.name, "The handheld's name")->capture_default_str();
    app.add_option("--password", options.password, "The handheld's password (none by default)");
    app.add_flag("--older", options.older,
                 "An older handheld (before Windows Mobile 5): connect to the desktop's port 5679 and take its "
                 "remote-API connections at --rapi-listen");
    app.add_option("--rapi-listen", options.rapiListen,
                   "ADDRESS:PORT where an older handheld takes the desktop's remote-API connections");
    app.add_option("--drop-after", options.dropAfterBytes,
                   "Fault: vanish after this many remote-API bytes have come in");
    app.add_option("--fail-create", options.failCreate, "Fault: creating a file whose name begins with this one fails");
    app.add_option("--fail-write", options.failWrite,
                   "Fault: writing to a file whose name begins with this one fails (the handheld's disk is full)");
    app.add_option("--fail-key", options.failKey,
                   "Fault: creating or opening this registry key (below HKEY_CURRENT_USER) fails");
    app.add_option("--fail-value", options.failValue, "Fault: setting a registry value of this name fails");
    app.add_option("--slow", slowMs, "Fault: wait this many milliseconds before every answer");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // --help is a success; every other problem with the options is 2.
        return app.exit(e) == 0 ? 0 : 2;
    }

    unsigned major = 0;
    unsigned minor = 0;
    if (std::sscanf(os.c_str(), "%u.%u", &major, &minor) != 2) {
        std::fprintf(stderr, "tarvo-ceemu: --os wants MAJOR.MINOR, such as 5.1\n");
        return 2;
    }
    if (options.older && options.rapiListen.empty()) {
        std::fprintf(stderr, "tarvo-ceemu: --older wants --rapi-listen ADDRESS:PORT\n");
        return 2;
    }
    options.osMajor = major;
    options.osMinor = minor;
    options.slowAnswers = std::chrono::milliseconds(slowMs);

    // SIGINT and SIGTERM end the run between two answers.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigprocmask(SIG_BLOCK, &signals, nullptr);
    int signalFd = ::signalfd(-1, &signals, SFD_CLOEXEC);
    options.stopFd = signalFd;

    std::fprintf(stderr, "tarvo-ceemu: handheld \"%s\" (OS %u.%u) connecting to %s\n", options.name.c_str(), major,
                 minor, options.hub.c_str());
    tarvo::ceemu::CeEmulator emulator(options);
    tarvo::ceemu::CeEmulator::End end = emulator.run();
    if (signalFd >= 0)
        ::close(signalFd);
    switch (end) {
    case tarvo::ceemu::CeEmulator::End::Failed:
        std::fprintf(stderr, "tarvo-ceemu: could not connect to %s\n", options.hub.c_str());
        return 1;
    case tarvo::ceemu::CeEmulator::End::Dropped:
        std::fprintf(stderr, "tarvo-ceemu: dropped the connection after %llu bytes, as asked\n",
                     static_cast<unsigned long long>(emulator.bytesReceived()));
        return 3;
    default:
        return 0;
    }
}
