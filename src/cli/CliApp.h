#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tarvo::cli {

// `tarvo-sync`: parses the arguments (the program name first), runs the
// program's start-up unless the verb needs none, then the verb. Data goes
// to `out`, messages to `err`. Returns the exit code: 0 done, 1 failed
// (the message is the one the window would show), 2 usage error.
int RunCli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

} // namespace tarvo::cli
