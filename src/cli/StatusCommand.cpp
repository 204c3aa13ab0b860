#include "cli/StatusCommand.h"

#include "app/SelectionModel.h"
#include "app/SyncApp.h"
#include "cli/CliFrontEnd.h"
#include "cli/JsonOutput.h"
#include "cli/OptionSet.h"
#include "phonebook/MasterPhonebook.h"
#include "phonebook/PopList.h"

#include <ostream>

namespace tarvo::cli {

namespace {

const char* setOrUnset(const std::string& value)
{
    return value.empty() ? "unset" : "set";
}

void printList(std::ostream& out, const char* key, const std::vector<std::string>& values)
{
    out << key << "s: " << values.size() << '\n';
    for (std::size_t i = 0; i < values.size(); ++i)
        out << key << '_' << (i + 1) << ": " << values[i] << '\n';
}

} // namespace

void StatusCommand::addOptions(OptionSet& options)
{
    options.add("--format", "Output format: text or json", &m_formatName).allowed = {"text", "json"};
}

bool StatusCommand::finishOptions(std::ostream&)
{
    m_format = m_formatName == "json" ? Format::Json : Format::Text;
    return true;
}

int StatusCommand::run(CommandContext& context)
{
    SyncApp& app = context.app;
    const ProfileConfig& profile = app.profile();
    std::ostream& out = context.out;
    if (m_format == Format::Json) {
        writeStatusJson(out, app, context.model().limit());
        return kExitOk;
    }

    int master = 0;
    int customer = 0;
    for (const PopRecord& pop : app.phonebook().pops())
        (pop.fromMaster() ? master : customer) += 1;

    out << "dialer_home: " << app.dialerHome() << '\n';
    out << "profile_file: " << profile.settingsFile() << '\n';
    out << "user_file: " << app.userSettings().settingsFile() << '\n';
    out << "app_name: " << profile.appNameUtf8() << '\n';
    out << "customer_id: " << profile.customerId() << '\n';
    out << "profile_id: " << profile.profileId() << '\n';
    out << "phonebook_id: " << profile.phonebookId() << '\n';
    out << "max_pops: " << profile.maxPops() << '\n';
    out << "pb_server: " << profile.pbServer() << '\n';
    out << "pop_sort_order: " << profile.popSortOrder() << '\n';
    out << "show_price: " << (profile.showPrice() ? "yes" : "no") << '\n';
    printList(out, "profile_server", profile.profileServers());
    out << "profile_user_id: " << setOrUnset(profile.profileUserId()) << '\n';
    out << "profile_password: " << setOrUnset(profile.profilePassword()) << '\n';
    out << "profile_auth_header: " << setOrUnset(profile.profileAuthHeader()) << '\n';
    printList(out, "global_server", profile.globalServers());
    out << "global_user_id: " << setOrUnset(profile.globalUserId()) << '\n';
    out << "global_password: " << setOrUnset(profile.globalPassword()) << '\n';
    out << "global_auth_header: " << setOrUnset(profile.globalAuthHeader()) << '\n';
    out << "pops_master: " << master << '\n';
    out << "pops_customer: " << customer << '\n';
    out << "pops_on_handheld: " << app.phonebook().pops().CountSelected() << '\n';
    out << "handheld_limit: " << context.model().limit() << '\n';
    return kExitOk;
}

} // namespace tarvo::cli
