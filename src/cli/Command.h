#pragma once

#include <iosfwd>
#include <string>

namespace tarvo {
class SelectionModel;
class SyncApp;
} // namespace tarvo

namespace tarvo::cli {

class CliFrontEnd;

// Exit codes of `tarvo-sync`.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// What a verb works with once start-up has loaded everything.
struct CommandContext {
    SyncApp& app;
    CliFrontEnd& frontEnd;
    std::ostream& out;
    std::ostream& err;

    // The window's selection state over what start-up loaded.
    SelectionModel model() const;
};

// One verb of the command line.
class Command {
public:
    virtual ~Command() = default;
    // Whether the verb needs the program's start-up (dialer, handheld, phonebook).
    virtual bool needsStartup() const { return true; }
    virtual int run(CommandContext& context) = 0;
};

} // namespace tarvo::cli
