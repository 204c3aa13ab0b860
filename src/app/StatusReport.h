#pragma once

#include <string>
#include <vector>

namespace tarvo {

class SyncApp;

// What start-up found, as the command line's `status` reports it (as text
// or as JSON): one set of values, so the two forms cannot drift apart.
// Credentials and header lines are only said to be set or not.
struct StatusReport {
    struct ServerSet {
        std::vector<std::string> servers; // ANSI, as the profile holds them
        bool userIdSet = false;
        bool passwordSet = false;
        bool authHeaderSet = false;
    };

    // The folders and files as UTF-8, for showing them.
    std::string dialerHome;
    std::string profileFile;
    std::string userFile;
    std::string appName; // UTF-8
    int customerId = 0;
    int profileId = 0;
    int phonebookId = 0;
    int maxPops = 0;
    int pbServer = 0;
    int popSortOrder = 0;
    bool showPrice = false;
    ServerSet profileServers;
    ServerSet globalServers;
    int popsMaster = 0;
    int popsCustomer = 0;
    int popsOnHandheld = 0;
    // False when the handheld's phonebook could not be read: how many POPs
    // it holds is then not known (popsOnHandheld says nothing).
    bool handheldRead = true;
    int handheldLimit = 0;

    static StatusReport of(const SyncApp& app);
};

} // namespace tarvo
