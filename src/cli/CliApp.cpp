// The only translation unit that includes CLI11: it is slow to compile.
#include "cli/CliApp.h"

#include "BuildInfo.h"
#include "app/CommandLine.h"
#include "app/DesktopRegistry.h"
#include "app/SyncApp.h"
#include "app/UpdateGuard.h"
#include "cli/ChoiceCommands.h"
#include "cli/CliFrontEnd.h"
#include "cli/EncipherCommand.h"
#include "cli/ListCommand.h"
#include "cli/StatusCommand.h"
#include "cli/SyncCommand.h"
#include "cli/UpdateCommand.h"
#include "device/DeviceLink.h"
#include "device/FolderDevice.h"
#include "dialing/CountryQuery.h"
#include "support/FileHandle.h"

#include <CLI/CLI.hpp>

#include <memory>
#include <ostream>

namespace tarvo::cli {

namespace {

constexpr const char* kCountryHelp = "Country code: the first column of country.txt, such as US";
constexpr const char* kStateHelp = "State (region) code: the second column of region.txt, such as CA";
constexpr const char* kUpdateRunning =
    "The update installer is working (it holds _updatelist.txt), please try again when it has finished.";

// Every verb's options, bound before the arguments are parsed; the chosen
// verb's command is made from its part.
struct VerbOptions {
    FilterOptions choice; // states, cities
    ListOptions list;
    std::string listSort = "city";    // list --sort, as given
    std::string listFormat = "table"; // list --format, as given
    std::string statusFormat = "text"; // status --format, as given
    SyncOptions sync;
    std::string text; // encipher
};

// One verb: its name and help, the options it takes, and the command that
// runs it. A verb without options leaves `addOptions` empty.
struct Verb {
    const char* name;
    const char* help;
    void (*addOptions)(CLI::App& verb, VerbOptions& options);
    std::unique_ptr<Command> (*make)(const VerbOptions& options);
};

void addFilterOptions(CLI::App& verb, FilterOptions& filter)
{
    verb.add_option("--country", filter.country, kCountryHelp);
    verb.add_option("--state", filter.state, kStateHelp);
    verb.add_option("--city", filter.city, "City name");
    verb.add_option("--area-code", filter.areaCode, "Area code");
}

const Verb kVerbs[] = {
    {"status", "What start-up found, as key: value lines (or one JSON object)",
     [](CLI::App& verb, VerbOptions& o) {
         verb.add_option("--format", o.statusFormat, "Output format: text or json")
             ->check(CLI::IsMember({"text", "json"}));
     },
     [](const VerbOptions& o) -> std::unique_ptr<Command> {
         return std::make_unique<StatusCommand>(o.statusFormat == "json" ? StatusCommand::Format::Json
                                                                         : StatusCommand::Format::Text);
     }},
    {"countries", "The countries the Country list offers: code<TAB>name", nullptr,
     [](const VerbOptions&) -> std::unique_ptr<Command> { return std::make_unique<CountriesCommand>(); }},
    {"states", "The states the State list offers for a country: code<TAB>name",
     [](CLI::App& verb, VerbOptions& o) { verb.add_option("--country", o.choice.country, kCountryHelp)->required(); },
     [](const VerbOptions& o) -> std::unique_ptr<Command> { return std::make_unique<StatesCommand>(o.choice); }},
    {"cities", "The cities the City list offers: name<TAB>state<TAB>shown text",
     [](CLI::App& verb, VerbOptions& o) {
         verb.add_option("--country", o.choice.country, kCountryHelp)->required();
         verb.add_option("--state", o.choice.state, kStateHelp);
     },
     [](const VerbOptions& o) -> std::unique_ptr<Command> { return std::make_unique<CitiesCommand>(o.choice); }},
    {"list", "The Main list (or the Handheld list) as the window shows it",
     [](CLI::App& verb, VerbOptions& o) {
         addFilterOptions(verb, o.list.filter);
         verb.add_flag("--handheld", o.list.handheld, "The Handheld list: chosen POPs passing the filter");
         verb.add_option("--sort", o.listSort, "Sort column")->check(CLI::IsMember({"city", "number"}));
         verb.add_flag("--descending", o.list.descending, "Descending order");
         verb.add_option("--format", o.listFormat, "Output format: table, tsv or json")
             ->check(CLI::IsMember({"table", "tsv", "json"}));
     },
     [](const VerbOptions& o) -> std::unique_ptr<Command> {
         ListOptions list = o.list;
         list.sort = o.listSort == "number" ? SortColumn::Number : SortColumn::City;
         list.format = o.listFormat == "tsv"    ? ListOptions::Format::Tsv
                       : o.listFormat == "json" ? ListOptions::Format::Json
                                                : ListOptions::Format::Table;
         return std::make_unique<ListCommand>(list);
     }},
    {"sync", "Moves POPs to or from the handheld (within its limit), then synchronizes the handheld",
     [](CLI::App& verb, VerbOptions& o) {
         verb.add_option("--add", o.sync.add, "POP id to put on the handheld (repeatable)");
         verb.add_option("--remove", o.sync.remove, "POP id to take off the handheld (repeatable)");
         verb.add_flag("--add-matching", o.sync.addMatching,
                       "Put every POP passing --country/--state/--city/--area-code on the handheld");
         verb.add_flag("--remove-all", o.sync.removeAll, "Take every POP off the handheld");
         verb.add_flag("--force", o.sync.force,
                       "Replace the handheld's phonebook or tables even where the window would ask first "
                       "(a phonebook that could not be read, an empty master phonebook, an empty table)");
         addFilterOptions(verb, o.sync.filter);
     },
     [](const VerbOptions& o) -> std::unique_ptr<Command> { return std::make_unique<SyncCommand>(o.sync); }},
    {"update",
     "Fetches phonebook updates from a phonebook server of the profile into update/ (log in log/update.log); "
     "Ctrl-C cancels",
     nullptr, [](const VerbOptions&) -> std::unique_ptr<Command> { return std::make_unique<UpdateCommand>(); }},
    {"encipher", "Prints the enciphered form of TEXT for PhonebookUserID or PhonebookPassword",
     [](CLI::App& verb, VerbOptions& o) { verb.add_option("TEXT", o.text, "The user name or password")->required(); },
     [](const VerbOptions& o) -> std::unique_ptr<Command> { return std::make_unique<EncipherCommand>(o.text); }},
};

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
    CLI::App app{"Chooses POPs of the TarvoConnect phonebook for a Windows CE handheld and synchronizes it.\n"
                 "The dialer is found through $TARVO_REGISTRY, the handheld is the folder $TARVO_DEVICE.\n"
                 "Exit codes: 0 done, 1 failed, 2 usage error, 130 update cancelled (Ctrl-C).",
                 "tarvo-sync"};
    app.require_subcommand(1);
    app.set_version_flag("--version", versionLine());
    app.set_help_all_flag("--help-all", "Print this help message and every verb's options, then exit");
    std::string profileFile;
    std::string userFile;
    app.add_option("-c", profileFile, "Profile settings file (default synconfig.ini)");
    app.add_option("-u", userFile, "User settings file (default synuser.ini)");

    VerbOptions verbOptions;
    for (const Verb& verb : kVerbs) {
        CLI::App* sub = app.add_subcommand(verb.name, verb.help);
        if (verb.addOptions)
            verb.addOptions(*sub, verbOptions);
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
    const Verb* chosen = nullptr;
    for (const Verb& verb : kVerbs)
        if (app.got_subcommand(verb.name))
            chosen = &verb;
    if (chosen == nullptr) {
        err << "A verb is required\nRun with --help for more information.\n";
        return kExitUsage;
    }
    const SyncOptions& sync = verbOptions.sync;
    if (sync.addMatching && !sync.filter.country && !sync.filter.areaCode) {
        err << "--add-matching needs a filter (--country or --area-code)\n";
        return kExitUsage;
    }
    const FilterOptions& filter = sync.filter;
    if (!sync.addMatching && (filter.country || filter.state || filter.city || filter.areaCode)) {
        err << "--country, --state, --city and --area-code choose what --add-matching adds: give --add-matching "
               "with them\n";
        return kExitUsage;
    }

    std::unique_ptr<Command> command = chosen->make(verbOptions);
    CliFrontEnd frontEnd(err, sync.force);
    std::unique_ptr<FolderDevice> device = FolderDevice::fromEnvironment();
    CountryQuery countries;
    SyncApp syncApp(frontEnd, *device, countries);
    if (options.deviceWait)
        syncApp.deviceLink().setConnectTimeout(*options.deviceWait);
    CommandContext context{syncApp, frontEnd, out, err};
    if (!command->needsStartup())
        return command->run(context);

    // The window silently ends while the update installer works; here the
    // person (or the script) waiting for an answer is told why.
    if (UpdateGuard::isHeld()) {
        err << kUpdateRunning << '\n';
        return kExitFailed;
    }
    CommandLineOptions startOptions;
    if (!profileFile.empty())
        startOptions.profileFile = profileFile;
    if (!userFile.empty()) {
        // The window writes its user settings at exit and may name a new
        // file; this program never does, so a file it cannot read is a
        // mistake to point out, not defaults to run on.
        startOptions.userFile = userFile;
        if (!isReadableFile(userFile)) {
            err << SyncApp::kNoSettingsFileMessage << userFile << '\n';
            return kExitFailed;
        }
    }
    // A missing registry file is an empty registry; one that is there but
    // cannot be read is not taken for one.
    DesktopRegistry registry(DesktopRegistry::fromEnvironment());
    if (!registry.load()) {
        err << "Unable to read the registry file " << registry.source() << '\n';
        return kExitFailed;
    }
    if (syncApp.startup(startOptions, registry.registry(), registry.paths()) != SyncApp::Startup::Ready)
        return kExitFailed;
    return command->run(context);
}

} // namespace tarvo::cli
