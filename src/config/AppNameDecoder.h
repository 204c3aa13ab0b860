#pragma once

#include "text/CodePage.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace tarvo {

struct DecodedAppName {
    std::u16string text;
    bool sawReference = false; // at least one "&#NNN" was decoded
};

// Decodes the numeric character references of a window title, so a
// settings file in an 8-bit code page can name characters outside it.
//
// - "&#" followed by a decimal number (blanks before it and a sign are
//   allowed, as a "%d" scan allows them) becomes that character, the number
//   taken modulo 65536; numbers from 0x10000 to 0x10FFFF become their UTF-16
//   surrogate pair instead, so characters beyond the 16-bit range survive.
// - Decoding goes on after the next ';' at or after the '&'. A reference
//   with no ';' anywhere after it ends after its last digit and the rest of
//   the text is decoded as usual, so nothing is dropped.
// - All other bytes, those of 128 and above included, are converted through
//   `ansi`, the code page the settings file is written in.
// - The title ends at a NUL byte or at a reference to character 0, as a C
//   string would, and at 500 UTF-16 units (a surrogate pair is never split).
DecodedAppName decodeAppName(std::string_view text, const CodePage& ansi);

inline constexpr std::size_t kAppNameRoom = 500;

} // namespace tarvo
