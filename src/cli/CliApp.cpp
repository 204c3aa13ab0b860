// The only translation unit that includes CLI11: it is slow to compile.
#include "cli/CliApp.h"

#include "app/CommandLine.h"
#include "text/RegistryFile.h"
#include "app/SyncApp.h"
#include "cli/ChoiceCommands.h"
#include "cli/CliFrontEnd.h"
#include "cli/EncipherCommand.h"
#include "cli/ListCommand.h"
#include "cli/StatusCommand.h"
#include "cli/SyncCommand.h"
#include "device/FolderDevice.h"
#include "dialing/CountryQuery.h"

#include <CLI/CLI.hpp>

#include <memory>
#include <ostream>

namespace tarvo::cli {

namespace {

void addFilterOptions(CLI::App* verb, FilterOptions& filter, bool withCityAndArea = true)
{
    verb->add_option("--country", filter.country, "Country code, as in column 1 of country.txt (e.g. US)");
    verb->add_option("--state", filter.state, "State (region) code, as in column 2 of region.txt");
    if (withCityAndArea) {
        verb->add_option("--city", filter.city, "City name");
        verb->add_option("--area-code", filter.areaCode, "Area code");
    }
}

std::unique_ptr<Command> chosenCommand(const CLI::App& app, const ListOptions& list, const SyncOptions& sync,
                                       const FilterOptions& choice, const std::string& text)
{
    if (app.got_subcommand("status"))
        return std::make_unique<StatusCommand>();
    if (app.got_subcommand("countries"))
        return std::make_unique<CountriesCommand>();
    if (app.got_subcommand("states"))
        return std::make_unique<StatesCommand>(choice);
    if (app.got_subcommand("cities"))
        return std::make_unique<CitiesCommand>(choice);
    if (app.got_subcommand("list"))
        return std::make_unique<ListCommand>(list);
    if (app.got_subcommand("sync"))
        return std::make_unique<SyncCommand>(sync);
    return std::make_unique<EncipherCommand>(text);
}

} // namespace

int RunCli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err)
{
    CLI::App app{"Chooses POPs of the TarvoConnect phonebook for a Windows CE handheld and synchronizes it.\n"
                 "The dialer is found through $TARVO_REGISTRY, the handheld is the folder $TARVO_DEVICE.\n"
                 "Exit codes: 0 done, 1 failed, 2 usage error.",
                 "tarvo-sync"};
    app.require_subcommand(1);
    std::string profileFile;
    std::string userFile;
    app.add_option("-c", profileFile, "Profile settings file (default synconfig.ini)");
    app.add_option("-u", userFile, "User settings file (default synuser.ini)");

    app.add_subcommand("status", "What start-up found, as key: value lines");
    app.add_subcommand("countries", "The countries the Country list offers: code<TAB>name");

    FilterOptions choice;
    CLI::App* states = app.add_subcommand("states", "The states the State list offers for a country: code<TAB>name");
    states->add_option("--country", choice.country, "Country code")->required();
    CLI::App* cities = app.add_subcommand("cities", "The cities the City list offers: name<TAB>state<TAB>shown text");
    cities->add_option("--country", choice.country, "Country code")->required();
    cities->add_option("--state", choice.state, "State (region) code");

    ListOptions list;
    CLI::App* listVerb = app.add_subcommand("list", "The Main list (or the Handheld list) as the window shows it");
    addFilterOptions(listVerb, list.filter);
    listVerb->add_flag("--handheld", list.handheld, "The Handheld list: chosen POPs passing the filter");
    listVerb->add_option("--sort", list.sort, "Sort column")->check(CLI::IsMember({"city", "number"}));
    listVerb->add_flag("--descending", list.descending, "Descending order");
    listVerb->add_option("--format", list.format, "Output format")->check(CLI::IsMember({"table", "tsv"}));

    SyncOptions sync;
    CLI::App* syncVerb = app.add_subcommand(
        "sync", "Moves POPs to or from the handheld (within its limit), then synchronizes the handheld");
    syncVerb->add_option("--add", sync.add, "POP id to put on the handheld (repeatable)");
    syncVerb->add_option("--remove", sync.remove, "POP id to take off the handheld (repeatable)");
    syncVerb->add_flag("--add-matching", sync.addMatching,
                       "Put every POP passing --country/--state/--city/--area-code on the handheld");
    syncVerb->add_flag("--remove-all", sync.removeAll, "Take every POP off the handheld");
    addFilterOptions(syncVerb, sync.filter);

    std::string text;
    CLI::App* encipher = app.add_subcommand("encipher", "Prints the enciphered form of TEXT for PhonebookUserID or "
                                                        "PhonebookPassword");
    encipher->add_option("TEXT", text, "The user name or password")->required();

    std::vector<const char*> argv;
    for (const std::string& a : arguments)
        argv.push_back(a.c_str());
    try {
        app.parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e, out, err);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e, out, err);
    } catch (const CLI::ParseError& e) {
        app.exit(e, out, err);
        return kExitUsage;
    }
    if (sync.addMatching && !sync.filter.country && !sync.filter.areaCode) {
        err << "--add-matching needs a filter (--country or --area-code)\n";
        return kExitUsage;
    }

    std::unique_ptr<Command> command = chosenCommand(app, list, sync, choice, text);
    CliFrontEnd frontEnd(err);
    std::unique_ptr<FolderDevice> device = FolderDevice::fromEnvironment();
    CountryQuery countries;
    SyncApp syncApp(frontEnd, *device, countries);
    CommandContext context{syncApp, frontEnd, out, err};
    if (!command->needsStartup())
        return command->run(context);

    CommandLineOptions options;
    if (!profileFile.empty())
        options.profileFile = profileFile;
    if (!userFile.empty())
        options.userFile = userFile;
    RegistryFile registry(RegistryFile::desktopPath());
    (void)registry.load(); // a missing file is an empty registry
    if (syncApp.startup(options, registry) != SyncApp::Startup::Ready)
        return kExitFailed;
    return command->run(context);
}

} // namespace tarvo::cli
