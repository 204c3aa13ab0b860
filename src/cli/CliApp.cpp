// The only translation unit that includes CLI11: it is slow to compile.
#include "cli/CliApp.h"

#include "BuildInfo.h"
#include "app/AppEnvironment.h"
#include "app/CommandLine.h"
#include "app/SyncApp.h"
#include "cli/ChoiceCommands.h"
#include "cli/CliFrontEnd.h"
#include "cli/EncipherCommand.h"
#include "cli/ListCommand.h"
#include "cli/OptionSet.h"
#include "cli/StatusCommand.h"
#include "cli/SyncCommand.h"
#include "cli/UpdateCommand.h"
#include "device/DeviceLink.h"

#include <CLI/CLI.hpp>

#include <iterator>
#include <memory>
#include <ostream>
#include <type_traits>
#include <variant>

namespace tarvo::cli {

namespace {


// One verb: its name and help, and the command that takes its options and
// runs it.
struct Verb {
    const char* name;
    const char* help;
    std::unique_ptr<Command> (*make)();
};

template <class VerbCommand>
std::unique_ptr<Command> makeCommand()
{
    return std::make_unique<VerbCommand>();
}

const Verb kVerbs[] = {
    {"status", "What start-up found, as key: value lines (or one JSON object)", makeCommand<StatusCommand>},
    {"countries", "The countries the Country list offers: code<TAB>name", makeCommand<CountriesCommand>},
    {"states", "The states the State list offers for a country: code<TAB>name", makeCommand<StatesCommand>},
    {"cities", "The cities the City list offers: name<TAB>state<TAB>shown text", makeCommand<CitiesCommand>},
    {"list", "The Main list (or the Handheld list) as the window shows it", makeCommand<ListCommand>},
    {"sync", "Moves POPs to or from the handheld (within its limit), then synchronizes the handheld",
     makeCommand<SyncCommand>},
    {"update",
     "Fetches phonebook updates from a phonebook server of the profile into update/ (log in log/update.log); "
     "Ctrl-C cancels",
     makeCommand<UpdateCommand>},
    {"encipher", "Prints the enciphered form of TEXT for PhonebookUserID or PhonebookPassword",
     makeCommand<EncipherCommand>},
};

// Gives the parser the options a verb describes, bound where the verb said.
void bindOptions(CLI::App& verb, const OptionSet& options)
{
    for (const Option& option : options.options()) {
        CLI::Option* bound = std::visit(
            [&](auto* target) {
                if constexpr (std::is_same_v<decltype(target), bool*>)
                    return verb.add_flag(option.name, *target, option.help);
                else
                    return verb.add_option(option.name, *target, option.help);
            },
            option.target);
        if (!option.allowed.empty())
            bound->check(CLI::IsMember(option.allowed));
        if (option.required)
            bound->required();
    }
}

// The verb a failed parse was given when it names none of ours: CLI11 only
// says that a verb is missing.
std::optional<std::string> unknownVerb(const CLI::App& app)
{
    std::vector<std::string> rest = app.remaining();
    if (rest.empty() || rest.front().starts_with("-"))
        return std::nullopt;
    return rest.front();
}

} // namespace

std::string versionLine()
{
    return std::string("tarvo-sync ") + build::kVersionText + " [Build " + std::to_string(build::kBuildNumber) + "]";
}

int runCli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err, const RunOptions& options)
{
    CLI::App app{std::string("Chooses POPs of the TarvoConnect phonebook for a Windows CE handheld and synchronizes "
                             "it.\n") +
                     AppEnvironment::kWhereFromHelp +
                     "Exit codes: 0 done, 1 failed, 2 usage error, 130 update cancelled (Ctrl-C).",
                 "tarvo-sync"};
    app.require_subcommand(1);
    app.set_version_flag("--version", versionLine());
    app.set_help_all_flag("--help-all", "Print this help message and every verb's options, then exit");
    std::string profileFile;
    std::string userFile;
    app.add_option("-c", profileFile, "Profile settings file (default synconfig.ini)");
    app.add_option("-u", userFile, "User settings file (default synuser.ini)");
    // A file, never the password itself: a command line is visible to every
    // user of the machine.
    std::string devicePasswordFile;
    app.add_option("--device-password-file", devicePasswordFile,
                   "File whose first line is the handheld's password, for a real handheld that is locked");

    // Every verb's command is made before the arguments are parsed: the
    // parser fills its options in place.
    std::vector<std::unique_ptr<Command>> commands;
    for (const Verb& verb : kVerbs) {
        OptionSet described;
        commands.emplace_back(verb.make())->addOptions(described);
        bindOptions(*app.add_subcommand(verb.name, verb.help), described);
    }

    std::vector<const char*> argv;
    for (const std::string& a : arguments)
        argv.push_back(a.c_str());
    try {
        app.parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e, out, err);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e, out, err);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e, out, err);
    } catch (const CLI::ParseError& e) {
        if (std::optional<std::string> verb = unknownVerb(app)) {
            err << "Unknown verb: " << *verb << "\nRun with --help for more information.\n";
            return kExitUsage;
        }
        app.exit(e, out, err);
        return kExitUsage;
    }
    Command* command = nullptr;
    for (std::size_t v = 0; v < std::size(kVerbs); ++v)
        if (app.got_subcommand(kVerbs[v].name))
            command = commands[v].get();
    if (command == nullptr) {
        err << "A verb is required\nRun with --help for more information.\n";
        return kExitUsage;
    }
    if (!command->finishOptions(err))
        return kExitUsage;

    CliFrontEnd frontEnd(err, command->answersYes());
    AppEnvironment environment = options.environment ? *options.environment : AppEnvironment::fromProcess();
    if (!devicePasswordFile.empty())
        environment.devicePasswordFile = devicePasswordFile;
    SyncApp syncApp(frontEnd, SyncApp::Kind::CommandLine, std::move(environment));
    if (options.deviceWait)
        syncApp.deviceLink().setConnectTimeout(*options.deviceWait);
    CommandContext context{syncApp, frontEnd, out, err};
    if (!command->needsStartup())
        return command->run(context);

    CommandLineOptions startOptions;
    if (!profileFile.empty())
        startOptions.profileFile = profileFile;
    if (!userFile.empty())
        startOptions.userFile = userFile;
    if (syncApp.startup(startOptions) != SyncApp::Startup::Ready)
        return kExitFailed;
    return command->run(context);
}

} // namespace tarvo::cli
