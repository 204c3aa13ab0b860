#pragma once

#include "dialing/DialingRules.h"
#include "phonebook/HandheldReadBack.h"
#include "sync/DeviceSettings.h"
#include "sync/HandheldPhonebook.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo {

class DeviceLink;
class FrontEnd;
class HandheldSet;
class ProfileConfig;

// The synchronization the window's Save runs: the chosen POPs become the
// handheld's "cepbook.txt", the location and dialing-rule tables follow it
// into "\Program Files\Tarvo\", and the dialer's settings go into the device
// registry (once). Everything is reported to the user through the front
// end; the caller gets the outcome as well and clears its change flag only
// on success, so this class needs nothing of the window.
//
// Nothing on the handheld is replaced by less than what was read from it
// unless the person says so: before the device is written, a Yes/No
// question (No stops everything, Declined) when the handheld's phonebook
// could not be read at start-up, when the master phonebook holds no POP
// while the handheld's phonebook named some, when the master looks damaged
// (more than half of the POPs on the handheld are no longer in it), and
// for each file that would replace a device file holding data with an
// empty one. POPs a phonebook update retired are dropped without a
// question, as a synchronization always drops them, and the front ends say
// so (retiredNote).
class SyncProcedure final {
public:
    // Where the procedure stopped; Done is success.
    enum class Result {
        Done,
        Phonebook, // the local "cepbook.txt" could not be written, or pushing it failed
        Connect,
        Registry,
        Country,
        Region,
        DialingRules,
        CountryRules,
        Declined, // the person answered No to a question; nothing reached the device
    };

    // Files on the desktop: the dialer's folder, and the files of the
    // working folder the procedure writes or pushes.
    struct Files {
        std::string dialerHome;
        std::string phonebook;      // the desktop copy of "cepbook.txt"
        std::string countryRules;   // "dr_country.txt"
        std::string deviceSettings; // "cereg.ini"
    };

    static constexpr std::string_view kStatusText = "Synchronizing with CE device. Please wait....";
    static constexpr std::string_view kDoneText = "Synchronization with CE device completed successfully.";
    static constexpr std::string_view kRegistryError = "Error occured while writing to CE registry";
    static constexpr std::string_view kUnreadHandheldQuestion =
        "The phonebook on the CE device could not be read at start-up. Replace it with the POPs chosen here?";
    // %zu: how many POPs the handheld's phonebook named.
    static constexpr std::string_view kNoMasterPopsQuestion =
        "The master phonebook holds no POPs, but the phonebook on the CE device holds %zu. "
        "Replace it with an empty phonebook?";
    // %zu: how many POPs of the handheld's phonebook no master POP carries,
    // asked only when the master looks damaged.
    static constexpr std::string_view kMissingPopsQuestion =
        "%zu POPs on the CE device are no longer in the master phonebook and would be removed from it. "
        "Replace the phonebook on the CE device?";
    static constexpr std::string_view kMissingPopQuestion =
        "1 POP on the CE device is no longer in the master phonebook and would be removed from it. "
        "Replace the phonebook on the CE device?";
    // The desktop file's name, then the device file's.
    static constexpr std::string_view kEmptyFileQuestion = "%s is empty. Replace %s on the CE device with an empty file?";

    // The caption of every message box is the profile's application name.
    // `handheld` holds the chosen POPs and what the start-up's read-back
    // found on the handheld.
    SyncProcedure(const HandheldSet& handheld, DeviceLink& link, FrontEnd& frontEnd, const ProfileConfig& profile,
                  Files files);
    SyncProcedure(const SyncProcedure&) = delete;
    SyncProcedure& operator=(const SyncProcedure&) = delete;

    // Runs every step up to the first failure, which is shown with its
    // message; nothing already on the device is rolled back.
    [[nodiscard]] Result synchronize();

    // The message a failed step shows ("" for Done and Declined).
    static std::string_view message(Result result);

    // The handheld's files this run replaced, by their device names, in
    // the order they were copied.
    const std::vector<std::string>& reached() const { return m_reached; }
    // Shown beside a failure's message: the step that failed, why when the
    // system said it, and what had already reached the handheld (nothing is
    // rolled back).
    std::string failureDetails(Result result) const;
    // POPs of the handheld's phonebook that are no longer in the master
    // phonebook and left the handheld with this run's phonebook (0 when
    // the phonebook did not reach it).
    std::size_t retired() const { return m_retired; }
    // What the front ends say about them: "N POPs no longer in the master
    // phonebook were taken off the handheld".
    static std::string retiredNote(std::size_t count);

private:
    Result fail(Result result);
    Result declined();
    bool confirm(const std::string& question);
    // The questions that need no device; false when one was answered No.
    bool confirmPhonebookReplacement();
    // The question for each pushed file that is empty while its device
    // file is not, inside the session; false when one was answered No.
    bool confirmEmptyFiles();

    const HandheldSet& m_handheld;
    DeviceLink& m_link;
    FrontEnd& m_frontEnd;
    std::string m_caption;
    Files m_files;
    std::vector<std::string> m_reached;
    // The phonebook step fails on this computer or on the way to the handheld.
    bool m_phonebookWritten = false;
    std::size_t m_retired = 0;
    // What the system said of the failed step ("" when it said nothing).
    std::string m_reason;
};

} // namespace tarvo
