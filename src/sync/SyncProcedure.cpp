#include "sync/SyncProcedure.h"

#include "phonebook/HandheldSet.h"

#include "config/ProfileConfig.h"
#include "device/DeviceLink.h"
#include "device/DeviceSession.h"
#include "phonebook/HandheldReadBack.h"
#include "phonebook/MasterPhonebook.h"
#include "support/BusyCursor.h"
#include "support/FileHandle.h"
#include "support/FrontEnd.h"
#include "support/NativePath.h"
#include "support/PathJoin.h"
#include "sync/HandheldFiles.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <utility>
#include <vector>

namespace tarvo {

namespace {

// The version number the merged phonebook carries on the device.
constexpr int kPhonebookVersion = 1;

using Result = SyncProcedure::Result;

// Where a pushed file is taken from.
enum class Source { Phonebook, DialerHome, CountryRules };

// One file the procedure pushes: where it comes from and goes, and what the
// user is told when that fails.
struct Push {
    Result step;
    Source source;
    std::string_view localName; // in the dialer's folder, for Source::DialerHome
    std::string_view deviceName;
    std::string_view message;
};

// In the order they are pushed.
constexpr std::array<Push, 5> kPushes = {{
    {Result::Phonebook, Source::Phonebook, {}, HandheldFiles::kPhonebook,
     "Error occured while synchronizing phonebook file"},
    {Result::Country, Source::DialerHome, MasterPhonebook::kCountryFile, HandheldFiles::kCountries,
     "Error occured while synchronizing country file"},
    {Result::Region, Source::DialerHome, MasterPhonebook::kRegionFile, HandheldFiles::kRegions,
     "Error occured while synchronizing region file"},
    {Result::DialingRules, Source::DialerHome, "dr_areacode.txt", HandheldFiles::kAreaCodeRules,
     "Error occured while synchronizing dialing rule file"},
    {Result::CountryRules, Source::CountryRules, {}, HandheldFiles::kCountryRules,
     "Error occured while synchronizing country dialing rule file"},
}};

std::string localFile(const Push& push, const SyncProcedure::Files& files)
{
    switch (push.source) {
    case Source::Phonebook:
        return files.phonebook;
    case Source::CountryRules:
        return files.countryRules;
    case Source::DialerHome:
        break;
    }
    return joinPath(files.dialerHome, push.localName);
}

// True for a file that is there and holds nothing but blanks and line ends:
// pushed, it would leave the handheld's dialer an empty table. A file that
// is missing or cannot be read is its step's failure, not this question's.
bool holdsNoData(const std::string& path)
{
    FilePtr file = openFile(path, "rb");
    if (!file)
        return false;
    char block[4096];
    std::size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, file.get())) > 0)
        for (std::size_t i = 0; i < got; ++i)
            if (block[i] != ' ' && block[i] != '\t' && block[i] != '\r' && block[i] != '\n')
                return false;
    return std::ferror(file.get()) == 0;
}

// Why a step failed, as the system said it. On this computer every error
// counts; on the way to the handheld only the errors that say something
// about the link or the handheld's storage, because the transport's
// harmless lookups may leave an unrelated error behind.
std::string systemReason(int error, bool local)
{
    if (error == 0)
        return {};
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
    case ENOSPC:
#ifdef EDQUOT // not in every C library (MinGW's has no disk quotas)
    case EDQUOT:
#endif
    case EFBIG:
    case EIO:
    case EPIPE:
    case ECONNRESET:
    case ECONNABORTED:
    case ENOTCONN:
    case ETIMEDOUT:
        return std::strerror(error);
    default:
        return local ? std::strerror(error) : std::string();
    }
}

} // namespace

std::string SyncProcedure::retiredNote(std::size_t count)
{
    return count == 1 ? "1 POP no longer in the master phonebook was taken off the handheld"
                      : std::to_string(count) + " POPs no longer in the master phonebook were taken off the handheld";
}

SyncProcedure::SyncProcedure(const HandheldSet& handheld, DeviceLink& link, FrontEnd& frontEnd,
                             const ProfileConfig& profile, Files files)
    : m_handheld(handheld),
      m_link(link),
      m_frontEnd(frontEnd),
      m_caption(profile.appNameUtf8()),
      m_files(std::move(files))
{
}

std::string_view SyncProcedure::message(Result result)
{
    switch (result) {
    case Result::Done:
        return {};
    case Result::Connect:
        return kNoDeviceMessage;
    case Result::Registry:
        return kRegistryError;
    case Result::Declined:
        return {};
    default:
        break;
    }
    for (const Push& push : kPushes)
        if (push.step == result)
            return push.message;
    return {};
}

std::string SyncProcedure::failureDetails(Result result) const
{
    std::string step;
    switch (result) {
    case Result::Done:
    case Result::Declined:
        return {};
    case Result::Connect:
        step = "connecting to the handheld";
        break;
    case Result::Registry:
        step = "writing the dialer's settings into the handheld's registry";
        break;
    case Result::Phonebook:
        if (!m_phonebookWritten) {
            step = "writing " + std::string(HandheldFiles::kPhonebook) + " on this computer";
            break;
        }
        [[fallthrough]];
    default:
        for (const Push& push : kPushes)
            if (push.step == result)
                step = "copying " + pathText(nativePath(localFile(push, m_files)).filename()) + " to " +
                       HandheldFiles::devicePath(push.deviceName);
        break;
    }
    std::string details = "The step that failed: " + step + ".\n";
    if (!m_reason.empty())
        details += "Why: " + m_reason + ".\n";
    if (result == Result::Registry)
        details += "Some of the dialer's settings may have reached the handheld's registry; no file was copied.";
    else if (m_reached.empty())
        details += "Nothing reached the handheld.";
    else {
        details += "Already on the handheld:";
        for (std::size_t i = 0; i < m_reached.size(); ++i)
            details += (i == 0 ? " " : ", ") + m_reached[i];
        details += ". The other files are as they were.";
    }
    return details;
}

SyncProcedure::Result SyncProcedure::fail(Result result)
{
    // The caller keeps its change flag and says what the save came to.
    m_frontEnd.failureBox(std::string(message(result)), failureDetails(result), m_caption);
    return result;
}

SyncProcedure::Result SyncProcedure::declined()
{
    // Nothing was attempted: the question was all the person needed to see.
    m_frontEnd.setStatusText({});
    return Result::Declined;
}

bool SyncProcedure::confirm(const std::string& question)
{
    return m_frontEnd.messageBox(question, m_caption, MessageIcon::Warning, MessageButtons::YesNo)
           == MessageAnswer::Yes;
}

bool SyncProcedure::confirmPhonebookReplacement()
{
    const ReadBackOutcome& found = m_handheld.readBack();
    if (found.result == ReadBackResult::CopyFailed && !confirm(std::string(kUnreadHandheldQuestion)))
        return false;
    const auto withCount = [](std::string_view text, std::size_t count) {
        std::string question(text);
        question.replace(question.find("%zu"), 3, std::to_string(count));
        return question;
    };
    if (found.popsOnHandheld > 0 && !m_handheld.pops().hasMasterRecords())
        return confirm(withCount(kNoMasterPopsQuestion, found.popsOnHandheld));
    // A master cut short or garbled would silently shrink the handheld; the
    // few POPs a phonebook update retires go without a question.
    if (!found.masterLooksDamaged())
        return true;
    if (found.missingFromMaster == 1)
        return confirm(std::string(kMissingPopQuestion));
    return confirm(withCount(kMissingPopsQuestion, found.missingFromMaster));
}

bool SyncProcedure::confirmEmptyFiles()
{
    std::vector<std::string> questions;
    {
        BusyCursor busy(m_frontEnd);
        for (const Push& push : kPushes) {
            const std::string local = localFile(push, m_files);
            if (!holdsNoData(local) || !m_link.deviceFileHasData(HandheldFiles::devicePath(push.deviceName)))
                continue;
            std::string question(kEmptyFileQuestion);
            question.replace(question.find("%s"), 2, pathText(nativePath(local).filename()));
            question.replace(question.find("%s"), 2, std::string(push.deviceName));
            questions.push_back(std::move(question));
        }
    }
    for (const std::string& question : questions)
        if (!confirm(question))
            return false;
    return true;
}

SyncProcedure::Result SyncProcedure::synchronize()
{
    m_frontEnd.setStatusText(std::string(kStatusText));
    m_reached.clear();
    m_phonebookWritten = false;
    m_retired = 0;
    m_reason.clear();

    if (!confirmPhonebookReplacement())
        return declined();

    // A phonebook that cannot be written stops everything before the device
    // is touched: pushing the "cepbook.txt" of an earlier run (or none)
    // would report the user's new choice as synchronized when it is not.
    bool written = false;
    {
        BusyCursor busy(m_frontEnd);
        errno = 0;
        written = HandheldPhonebook::writeMerged(m_handheld, m_files.phonebook, kPhonebookVersion);
    }
    if (!written) {
        m_reason = systemReason(errno, true);
        return fail(Result::Phonebook);
    }
    m_phonebookWritten = true;

    SyncResult connected = SyncResult::NoConnection;
    {
        BusyCursor busy(m_frontEnd);
        connected = m_link.connect();
    }
    if (connected != SyncResult::Done)
        return fail(Result::Connect);

    Result result = Result::Done;
    {
        DeviceSession session(m_link);
        if (!confirmEmptyFiles())
            return declined();
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
            errno = 0;
            const SyncResult pushed = m_link.writeFile(localFile(push, m_files), HandheldFiles::devicePath(push.deviceName));
            if (pushed != SyncResult::Done) {
                result = push.step;
                const bool local = pushed == SyncResult::LocalMissing || pushed == SyncResult::LocalUnreadable;
                m_reason = systemReason(errno, local);
            } else {
                m_reached.emplace_back(push.deviceName);
                if (push.step == Result::Phonebook)
                    m_retired = m_handheld.readBack().missingFromMaster;
            }
        }
        if (result == Result::Done) {
            // The city table is not part of what the handheld gets; a copy
            // an earlier installation left there goes.
            BusyCursor busy(m_frontEnd);
            (void)m_link.deleteFile(HandheldFiles::devicePath(HandheldFiles::kCities));
        }
    }
    if (result != Result::Done)
        return fail(result);

    m_frontEnd.setStatusText({});
    m_frontEnd.messageBox(std::string(kDoneText), m_caption, MessageIcon::Information, MessageButtons::Ok);
    return Result::Done;
}

} // namespace tarvo
