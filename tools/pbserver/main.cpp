// tarvo-pbserver: a small phonebook server for the update service, and the
// tool that lays a folder of files out for it.
//
//   tarvo-pbserver serve ROOT [--host H] [--port N] [--user U --password P]
//                            [--cert FILE --key FILE]
//   tarvo-pbserver publish SOURCE ROOT [--list NAME] [--major N] [--minor N]
//                            [--compress NAME]... [--compress-all]
//                            [--text NAME]... [--drop-log NAME]...
//
// serve prints "serving ROOT at URL" once it listens (--port 0, the default,
// takes a free port) and runs until SIGINT or SIGTERM. Exit status: 0 done,
// 1 failed, 2 usage error.
#include "pbserver/PhonebookServer.h"
#include "pbserver/Publisher.h"

#include <CLI/CLI.hpp>

#include <pthread.h>
#include <signal.h>

#include <iostream>
#include <thread>

using namespace tarvo::pbserver;

namespace {

int serve(const ServerOptions& options)
{
    // Signals are taken by one thread that stops the server; every other
    // thread, the server's own included, has them blocked.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    PhonebookServer server(options);
    if (!server.problem().empty()) {
        std::cerr << "tarvo-pbserver: " << server.problem() << '\n';
        return 1;
    }
    if (!server.bind()) {
        std::cerr << "tarvo-pbserver: cannot listen on " << options.host << " port " << options.port << '\n';
        return 1;
    }
    std::thread stopper([&server, &stopSignals] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        server.stop();
    });
    std::cout << "serving " << options.root.string() << " at " << server.url() << std::endl;
    const bool served = server.listen();
    // Wake the stopper if serving ended on its own.
    pthread_kill(stopper.native_handle(), SIGTERM);
    stopper.join();
    return served ? 0 : 1;
}

int publish(const PublishOptions& options)
{
    Publisher::Result result = Publisher::publish(options);
    if (!result.error.empty()) {
        std::cerr << "tarvo-pbserver: " << result.error << '\n';
        return 1;
    }
    for (const std::string& line : result.lines)
        std::cout << line << '\n';
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App app{"A phonebook server for the update service of tarvo-sync and tarvo-synchronizer.\n"
                 "Exit codes: 0 done, 1 failed, 2 usage error.",
                 "tarvo-pbserver"};
    app.require_subcommand(1);

    ServerOptions server;
    std::string root;
    CLI::App* serveVerb = app.add_subcommand("serve", "Serves ROOT (verce/<list>.ver and the files) until interrupted");
    serveVerb->add_option("ROOT", root, "The folder to serve")->required();
    serveVerb->add_option("--host", server.host, "Address to listen on (default 127.0.0.1)");
    serveVerb->add_option("--port", server.port, "Port; 0 picks a free one (default)")->check(CLI::Range(0, 65535));
    serveVerb->add_option("--user", server.user, "User of the Basic authorization every request must carry");
    serveVerb->add_option("--password", server.password, "Its password");
    serveVerb->add_option("--cert", server.certificateFile, "HTTPS: the server certificate (PEM)");
    serveVerb->add_option("--key", server.keyFile, "HTTPS: its private key (PEM)");

    PublishOptions publishing;
    std::string source;
    std::vector<std::string> compressed;
    std::vector<std::string> text;
    std::vector<std::string> dropLog;
    CLI::App* publishVerb =
        app.add_subcommand("publish", "Lays the files of SOURCE out in ROOT and writes their version list");
    publishVerb->add_option("SOURCE", source, "Folder with the files to publish")->required();
    publishVerb->add_option("ROOT", root, "The folder the server serves")->required();
    publishVerb->add_option("--list", publishing.list, "Version list to write, such as 42.ver (default global.ver)");
    publishVerb->add_option("--major", publishing.major, "Major version, the suffix of the served names (default 1)");
    publishVerb->add_option("--minor", publishing.minor, "Minor version (default 0)");
    publishVerb->add_option("--compress", compressed, "Serve this file gzip-compressed (flag C)");
    publishVerb->add_flag("--compress-all", publishing.compressAll, "Serve every file gzip-compressed");
    publishVerb->add_option("--text", text, "This file is text: expanded with CR LF line ends (flag A)");
    publishVerb->add_option("--drop-log", dropLog, "Delete the dialer's log copy of this file after an update (flag L)");

    CLI11_PARSE(app, argc, argv);

    if (app.got_subcommand("serve")) {
        server.root = root;
        return serve(server);
    }
    publishing.source = source;
    publishing.root = root;
    publishing.compressed.insert(compressed.begin(), compressed.end());
    publishing.text.insert(text.begin(), text.end());
    publishing.dropLog.insert(dropLog.begin(), dropLog.end());
    return publish(publishing);
}
