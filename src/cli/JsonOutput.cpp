#include "cli/JsonOutput.h"

#include "app/StatusReport.h"
#include "phonebook/HandheldSet.h"
#include "phonebook/PopRecord.h"
#include "text/CodePage.h"

#include <nlohmann/json.hpp>

#include <ostream>
#include <string>

namespace tarvo::cli {

namespace {

using Json = nlohmann::ordered_json;

// A path or a file name that is not UTF-8 would make the library throw;
// such bytes come out as U+FFFD instead, and the rest of the answer stands.
std::string dumped(const Json& value, int indent)
{
    return value.dump(indent, ' ', false, Json::error_handler_t::replace);
}

const char* setOrUnset(bool set)
{
    return set ? "set" : "unset";
}

Json utf8Texts(const std::vector<std::string>& ansiTexts)
{
    Json array = Json::array();
    for (const std::string& text : ansiTexts)
        array.push_back(CodePage::ansiToUtf8(text));
    return array;
}

} // namespace

void writePopsJson(std::ostream& out, const std::vector<PopRecord*>& rows)
{
    out << '[';
    const char* separator = "\n";
    for (const PopRecord* pop : rows) {
        Json row = {
            {kPopKeys[0], CodePage::ansiToUtf8(pop->pop())},
            {kPopKeys[1], CodePage::ansiToUtf8(pop->country())},
            {kPopKeys[2], CodePage::ansiToUtf8(pop->region())},
            {kPopKeys[3], CodePage::ansiToUtf8(pop->city())},
            {kPopKeys[4], CodePage::ansiToUtf8(pop->areaCode())},
            {kPopKeys[5], CodePage::ansiToUtf8(pop->phoneNumber())},
            {kPopKeys[6], HandheldSet::contains(*pop)},
        };
        out << separator << dumped(row, -1);
        separator = ",\n";
    }
    out << "\n]\n";
}

void writeStatusJson(std::ostream& out, const StatusReport& status)
{
    const StatusReport::ServerSet& profile = status.profileServers;
    const StatusReport::ServerSet& global = status.globalServers;
    Json json = {
        {"dialer_home", status.dialerHome},
        {"profile_file", status.profileFile},
        {"user_file", status.userFile},
        {"app_name", status.appName},
        {"customer_id", status.customerId},
        {"profile_id", status.profileId},
        {"phonebook_id", status.phonebookId},
        {"max_pops", status.maxPops},
        {"pb_server", status.pbServer},
        {"pop_sort_order", status.popSortOrder},
        {"show_price", status.showPrice},
        {"profile_servers", utf8Texts(profile.servers)},
        {"profile_user_id", setOrUnset(profile.userIdSet)},
        {"profile_password", setOrUnset(profile.passwordSet)},
        {"profile_auth_header", setOrUnset(profile.authHeaderSet)},
        {"global_servers", utf8Texts(global.servers)},
        {"global_user_id", setOrUnset(global.userIdSet)},
        {"global_password", setOrUnset(global.passwordSet)},
        {"global_auth_header", setOrUnset(global.authHeaderSet)},
        {"pops_master", status.popsMaster},
        {"pops_customer", status.popsCustomer},
        {"pops_on_handheld", status.handheldRead ? Json(status.popsOnHandheld) : Json(nullptr)},
        {"handheld_limit", status.handheldLimit},
    };
    out << dumped(json, 2) << '\n';
}

} // namespace tarvo::cli
