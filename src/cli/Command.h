#pragma once

#include <iosfwd>
#include <string>

namespace tarvo {
class SelectionModel;
class SyncApp;
} // namespace tarvo

namespace tarvo::cli {

class CliFrontEnd;
class OptionSet;

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

// One verb of the command line: its options, bound to its own members, and
// what it does with them.
class Command {
public:
    virtual ~Command() = default;
    // Describes the verb's options before the arguments are parsed; a verb
    // without options adds none.
    virtual void addOptions(OptionSet& /*options*/) {}
    // Checks the parsed options together (what the parser cannot check one
    // option at a time) and makes of them what `run` uses, before start-up.
    // False is a usage error, its message written to `err`.
    virtual bool finishOptions(std::ostream& /*err*/) { return true; }
    // Whether the person is taken to answer Yes where the window would ask
    // leave to replace what is on the handheld (see CliFrontEnd).
    virtual bool answersYes() const { return false; }
    // Whether the verb needs the program's start-up (dialer, handheld, phonebook).
    virtual bool needsStartup() const { return true; }
    virtual int run(CommandContext& context) = 0;
};

} // namespace tarvo::cli
