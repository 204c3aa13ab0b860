#include "sync/SyncProcedure.h"

#include "config/ProfileConfig.h"
#include "device/DeviceLink.h"
#include "sync/DeviceSettings.h"
#include "sync/HandheldPhonebook.h"
#include "support/BusyCursor.h"
#include "support/FrontEnd.h"

#include <utility>

namespace tarvo {

namespace {

// The version number the merged phonebook carries on the device.
constexpr int kPhonebookVersion = 1;

// Ends the one device session of a synchronization on every path.
class Session final {
public:
    explicit Session(DeviceLink& link) : m_link(link) {}
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    ~Session() { m_link.disconnect(); }

private:
    DeviceLink& m_link;
};

using Result = SyncProcedure::Result;
using Source = SyncProcedure::Source;

const std::array<SyncProcedure::Push, 5> kPushes = {{
    {Result::Phonebook, Source::Phonebook, "cepbook.txt", "\\Program Files\\Tarvo\\cepbook.txt",
     "Error occured while synchronizing phonebook file"},
    {Result::Country, Source::DialerHome, "country.txt", "\\Program Files\\Tarvo\\cecountry.txt",
     "Error occured while synchronizing country file"},
    {Result::Region, Source::DialerHome, "region.txt", "\\Program Files\\Tarvo\\ceregion.txt",
     "Error occured while synchronizing region file"},
    {Result::DialingRules, Source::DialerHome, "dr_areacode.txt", "\\Program Files\\Tarvo\\cedr_areacode.txt",
     "Error occured while synchronizing dialing rule file"},
    {Result::CountryRules, Source::CountryRules, "dr_country.txt", "\\Program Files\\Tarvo\\cedr_country.txt",
     "Error occured while synchronizing country dialing rule file"},
}};

} // namespace

const std::array<SyncProcedure::Push, 5>& SyncProcedure::pushes()
{
    return kPushes;
}

SyncProcedure::SyncProcedure(const PopList& pops, DeviceLink& link, FrontEnd& frontEnd, const ProfileConfig& profile,
                             Files files)
    : m_pops(pops), m_link(link), m_frontEnd(frontEnd), m_caption(profile.appNameUtf8()), m_files(std::move(files))
{
}

std::string_view SyncProcedure::message(Result result)
{
    switch (result) {
    case Result::Done:
        return {};
    case Result::Connect:
        return kConnectError;
    case Result::Registry:
        return kRegistryError;
    default:
        break;
    }
    for (const Push& push : kPushes)
        if (push.step == result)
            return push.message;
    return {};
}

std::string SyncProcedure::localFile(const Push& push) const
{
    if (push.source == Source::Phonebook)
        return m_files.phonebook;
    if (push.source == Source::CountryRules)
        return m_files.countryRules;
    if (m_files.dialerHome.empty())
        return std::string(push.localName);
    std::string path = m_files.dialerHome;
    if (path.back() != '/')
        path.push_back('/');
    path.append(push.localName);
    return path;
}

SyncProcedure::Result SyncProcedure::fail(Result result)
{
    // The status line keeps its text, so the window still shows what was
    // attempted; the caller keeps its change flag.
    m_frontEnd.messageBox(std::string(message(result)), m_caption, MessageIcon::None, MessageButtons::Ok);
    return result;
}

SyncProcedure::Result SyncProcedure::synchronize()
{
    m_frontEnd.setStatusText(std::string(kStatusText));

    // A phonebook that cannot be written stops everything before the device
    // is touched: pushing the "cepbook.txt" of an earlier run (or none)
    // would report the user's new choice as synchronized when it is not.
    bool written = false;
    {
        BusyCursor busy(m_frontEnd);
        written = HandheldPhonebook::WriteMerged(m_pops, m_files.phonebook, kPhonebookVersion) == 0;
    }
    if (!written)
        return fail(Result::Phonebook);

    int status = 0;
    {
        BusyCursor busy(m_frontEnd);
        status = m_link.connect();
    }
    if (status == kEFail)
        return fail(Result::Connect);

    Result result = Result::Done;
    {
        Session session(m_link);
        {
            BusyCursor busy(m_frontEnd);
            DeviceSettings settings(m_link.transport(), m_frontEnd, m_caption, m_files.deviceSettings);
            if (settings.transfer() != 0)
                result = Result::Registry;
        }
        for (const Push& push : kPushes) {
            if (result != Result::Done)
                break;
            BusyCursor busy(m_frontEnd);
            if (m_link.writeFile(localFile(push), push.devicePath) != SyncResult::kDone)
                result = push.step;
        }
        if (result == Result::Done) {
            // The city table is not part of what the handheld gets; a copy
            // an earlier installation left there goes.
            BusyCursor busy(m_frontEnd);
            (void)m_link.deleteFile(kCityFile);
        }
    }
    if (result != Result::Done)
        return fail(result);

    m_frontEnd.setStatusText({});
    m_frontEnd.messageBox(std::string(kDoneText), m_caption, MessageIcon::Information, MessageButtons::Ok);
    return Result::Done;
}

} // namespace tarvo
