// tarvo-cehub: the handheld connection manager. Listens for Windows CE
// handhelds on their USB network link, runs their handshake and offers
// them to local programs on a Unix socket.
#include "ceproto/CeHubProtocol.h"
#include "hub/CeHub.h"

#include <CLI/CLI.hpp>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sys/resource.h>
#include <sys/signalfd.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    tarvo::cehub::HubOptions options;
    std::string passwordFile;
    CLI::App app("The handheld connection manager: listens for Windows CE handhelds and offers them to local "
                 "programs (tarvo-sync, tarvo-synchronizer) on a Unix socket.",
                 "tarvo-cehub");
    app.add_option("--listen", options.listen,
                   "ADDRESS:PORT to listen on for handhelds, repeatable (default 169.254.2.2:990 and "
                   "169.254.2.2:5679, the desktop's end of the handheld's USB link)");
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    options.socketPath = tarvo::CeHubProtocol::defaultSocketPath(runtime ? runtime : "");
    app.add_option("--socket", options.socketPath, "The Unix socket local programs ask on")->capture_default_str();
    app.add_option("--password-file", passwordFile,
                   "A file whose first line is the handheld password, given when a trusted handheld asks for one");
    app.add_option("--trusted-handhelds", options.trustedFile,
                   "A file of handheld GUIDs, one a line, that the password of --password-file may go to (the "
                   "log names a locked handheld's GUID)");
    app.add_option("--trigger", options.trigger,
                   "The handheld's address (such as 169.254.2.1): nudge it to connect while none is connected");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // --help is a success; every other problem with the options is 2.
        return app.exit(e) == 0 ? 0 : 2;
    }

    if (options.listen.empty())
        options.listen = {"169.254.2.2:990", "169.254.2.2:5679"};
    if (!passwordFile.empty()) {
        std::ifstream in(passwordFile);
        if (!in || !std::getline(in, options.password)) {
            std::fprintf(stderr, "tarvo-cehub: cannot read the password file %s\n", passwordFile.c_str());
            return 1;
        }
        while (!options.password.empty() && (options.password.back() == '\r' || options.password.back() == '\n'))
            options.password.pop_back();
    }

    // Each handheld and each local request holds a descriptor: take all
    // the system allows; the hub fits its caps to it.
    rlimit files{};
    if (::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        (void)::setrlimit(RLIMIT_NOFILE, &files);
    }

    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigprocmask(SIG_BLOCK, &signals, nullptr);
    int signalFd = ::signalfd(-1, &signals, SFD_CLOEXEC);
    options.stopFd = signalFd;
    options.log = [](const std::string& line) { std::fprintf(stderr, "tarvo-cehub: %s\n", line.c_str()); };

    int result = 0;
    {
        tarvo::cehub::CeHub hub(options);
        std::string error;
        if (!hub.open(error)) {
            std::fprintf(stderr, "tarvo-cehub: %s\n", error.c_str());
            result = 1;
        } else {
            std::string addresses;
            for (const std::string& address : hub.listening())
                addresses += (addresses.empty() ? "" : " ") + address;
            std::printf("listening on %s socket %s\n", addresses.c_str(), options.socketPath.c_str());
            std::fflush(stdout);
            hub.run();
        }
    }
    if (signalFd >= 0)
        ::close(signalFd);
    return result;
}
