#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

namespace tarvo {

class PopList;

// How the read-back of the handheld's phonebook, the step a phonebook load
// ends with, went.
enum class ReadBackResult {
    Marked,        // the POPs the handheld carries are marked (none when it has no phonebook)
    NotAPhonebook, // its copy is no phonebook, or the desktop copy can neither be read nor created
    NoDevice,      // no handheld answered
    CopyFailed,    // the copy from the handheld failed otherwise: nothing is marked
};

// How the read-back went, and how many POPs the handheld's phonebook named:
// a synchronization must not replace them with less unless the person asks
// for it.
struct ReadBackOutcome {
    ReadBackResult result = ReadBackResult::Marked;
    std::size_t popsOnHandheld = 0; // distinct POP ids of its phonebook; 0 when none was read
    std::size_t missingFromMaster = 0; // of those, the ids no master POP carries (a damaged or older master)
    std::size_t customerOnly = 0;      // of the missing ones, those a customer POP carries

    // Whether the master looks damaged (cut short, ids garbled) rather
    // than updated: more than half of the POPs on the handheld are missing
    // from it. A phonebook update retires a few access numbers; it does
    // not retire most of what a person chose. Ids that only a customer
    // POP carries count on neither side.
    [[nodiscard]] bool masterLooksDamaged() const
    {
        const std::size_t missing = missingFromMaster - customerOnly;
        return missing * 2 > popsOnHandheld - customerOnly;
    }
};

// The read-back itself; the layer that reaches the handheld provides it
// (HandheldPhonebook::readBackFor).
using HandheldReadBack = std::function<ReadBackOutcome(PopList&)>;

// What the person is told when no handheld answers: at start-up, when the
// read-back finds none, and when a synchronization cannot connect.
inline constexpr std::string_view kNoDeviceMessage = "Unable to connect to the device, please check the connection.";

} // namespace tarvo
