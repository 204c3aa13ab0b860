#include "app/StatusReport.h"

#include "app/SyncApp.h"
#include "phonebook/HandheldSet.h"
#include "phonebook/MasterPhonebook.h"
#include "support/NativePath.h"

namespace tarvo {

StatusReport StatusReport::of(const SyncApp& app)
{
    const ProfileConfig& profile = app.profile();
    StatusReport report;
    report.dialerHome = pathTextToUtf8(app.dialerHome());
    report.profileFile = pathTextToUtf8(profile.settingsFile());
    report.userFile = pathTextToUtf8(app.userSettings().settingsFile());
    report.appName = profile.appNameUtf8();
    report.customerId = profile.customerId();
    report.profileId = profile.profileId();
    report.phonebookId = profile.phonebookId();
    report.maxPops = profile.maxPops();
    report.pbServer = profile.pbServer();
    report.popSortOrder = profile.popSortOrder();
    report.showPrice = profile.showPrice();
    report.profileServers = {profile.profileServers(), !profile.profileUserId().empty(),
                             !profile.profilePassword().empty(), !profile.profileAuthHeader().empty()};
    report.globalServers = {profile.globalServers(), !profile.globalUserId().empty(),
                            !profile.globalPassword().empty(), !profile.globalAuthHeader().empty()};
    for (const PopRecord& pop : app.phonebook().pops())
        (pop.fromMaster() ? report.popsMaster : report.popsCustomer) += 1;
    report.popsOnHandheld = app.handheld().count();
    report.handheldRead = app.handheld().readBack().result != ReadBackResult::CopyFailed;
    report.handheldLimit = app.handheld().limit();
    return report;
}

} // namespace tarvo
