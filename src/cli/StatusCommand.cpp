#include "cli/StatusCommand.h"

#include "app/StatusReport.h"
#include "cli/JsonOutput.h"
#include "cli/OptionSet.h"

#include <ostream>

namespace tarvo::cli {

namespace {

const char* setOrUnset(bool set)
{
    return set ? "set" : "unset";
}

void printServers(std::ostream& out, const char* prefix, const StatusReport::ServerSet& set)
{
    out << prefix << "_servers: " << set.servers.size() << '\n';
    for (std::size_t i = 0; i < set.servers.size(); ++i)
        out << prefix << "_server_" << (i + 1) << ": " << set.servers[i] << '\n';
}

void printCredentials(std::ostream& out, const char* prefix, const StatusReport::ServerSet& set)
{
    out << prefix << "_user_id: " << setOrUnset(set.userIdSet) << '\n';
    out << prefix << "_password: " << setOrUnset(set.passwordSet) << '\n';
    out << prefix << "_auth_header: " << setOrUnset(set.authHeaderSet) << '\n';
}

void printText(std::ostream& out, const StatusReport& status)
{
    out << "dialer_home: " << status.dialerHome << '\n';
    out << "profile_file: " << status.profileFile << '\n';
    out << "user_file: " << status.userFile << '\n';
    out << "app_name: " << status.appName << '\n';
    out << "customer_id: " << status.customerId << '\n';
    out << "profile_id: " << status.profileId << '\n';
    out << "phonebook_id: " << status.phonebookId << '\n';
    out << "max_pops: " << status.maxPops << '\n';
    out << "pb_server: " << status.pbServer << '\n';
    out << "pop_sort_order: " << status.popSortOrder << '\n';
    out << "show_price: " << (status.showPrice ? "yes" : "no") << '\n';
    printServers(out, "profile", status.profileServers);
    printCredentials(out, "profile", status.profileServers);
    printServers(out, "global", status.globalServers);
    printCredentials(out, "global", status.globalServers);
    out << "pops_master: " << status.popsMaster << '\n';
    out << "pops_customer: " << status.popsCustomer << '\n';
    if (status.handheldRead)
        out << "pops_on_handheld: " << status.popsOnHandheld << '\n';
    else
        out << "pops_on_handheld: unknown\n";
    out << "handheld_limit: " << status.handheldLimit << '\n';
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
    const StatusReport status = StatusReport::of(context.app);
    if (m_format == Format::Json)
        writeStatusJson(context.out, status);
    else
        printText(context.out, status);
    return kExitOk;
}

} // namespace tarvo::cli
