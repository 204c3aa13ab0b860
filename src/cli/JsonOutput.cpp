#include "cli/JsonOutput.h"

#include "app/SyncApp.h"
#include "phonebook/MasterPhonebook.h"
#include "phonebook/PopList.h"
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

const char* setOrUnset(const std::string& value)
{
    return value.empty() ? "unset" : "set";
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
            {kPopKeys[6], pop->selected() == 1},
        };
        out << separator << dumped(row, -1);
        separator = ",\n";
    }
    out << "\n]\n";
}

void writeStatusJson(std::ostream& out, SyncApp& app, int handheldLimit)
{
    const ProfileConfig& profile = app.profile();
    int master = 0;
    int customer = 0;
    for (const PopRecord& pop : app.phonebook().pops())
        (pop.fromMaster() ? master : customer) += 1;

    Json status = {
        {"dialer_home", app.dialerHome()},
        {"profile_file", profile.settingsFile()},
        {"user_file", app.userSettings().settingsFile()},
        {"app_name", profile.appNameUtf8()},
        {"customer_id", profile.customerId()},
        {"profile_id", profile.profileId()},
        {"phonebook_id", profile.phonebookId()},
        {"max_pops", profile.maxPops()},
        {"pb_server", profile.pbServer()},
        {"pop_sort_order", profile.popSortOrder()},
        {"show_price", profile.showPrice()},
        {"profile_servers", utf8Texts(profile.profileServers())},
        {"profile_user_id", setOrUnset(profile.profileUserId())},
        {"profile_password", setOrUnset(profile.profilePassword())},
        {"profile_auth_header", setOrUnset(profile.profileAuthHeader())},
        {"global_servers", utf8Texts(profile.globalServers())},
        {"global_user_id", setOrUnset(profile.globalUserId())},
        {"global_password", setOrUnset(profile.globalPassword())},
        {"global_auth_header", setOrUnset(profile.globalAuthHeader())},
        {"pops_master", master},
        {"pops_customer", customer},
        {"pops_on_handheld", app.phonebook().pops().CountSelected()},
        {"handheld_limit", handheldLimit},
    };
    out << dumped(status, 2) << '\n';
}

} // namespace tarvo::cli
