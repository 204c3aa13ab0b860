#pragma once

#include "app/AppEnvironment.h"

#include <chrono>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace tarvo::cli {

// What a caller in the same process can set that the command line cannot.
struct RunOptions {
    // How long start-up and a synchronization wait for the handheld to
    // answer; unset, the program's own wait (5 seconds). Tests pass a short
    // one so that a handheld that never answers does not cost them 5 s.
    std::optional<std::chrono::milliseconds> deviceWait;
    // The program's environment; unset, the process's own.
    std::optional<AppEnvironment> environment = std::nullopt;
};

// What `tarvo-sync --version` prints: the program's version and build
// number, the ones the window's About box shows.
std::string versionLine();

// `tarvo-sync`: parses the arguments (the program name first), runs the
// program's start-up unless the verb needs none, then the verb. Data goes
// to `out`, messages to `err`. Returns the exit code: 0 done, 1 failed
// (the message is the one the window would show), 2 usage error.
int runCli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
           const RunOptions& options = {});

} // namespace tarvo::cli
