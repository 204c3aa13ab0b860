#pragma once

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

// The read-back itself; the layer that reaches the handheld provides it
// (HandheldPhonebook::readBackFor).
using HandheldReadBack = std::function<ReadBackResult(PopList&)>;

// What the person is told when no handheld answers: at start-up, when the
// read-back finds none, and when a synchronization cannot connect.
inline constexpr std::string_view kNoDeviceMessage = "Unable to connect to the device, please check the connection.";

} // namespace tarvo
