#pragma once

#include <string>
#include <string_view>

namespace tarvo {

// Windows only (the platform files of the support library): text to and
// from the UTF-16 of the wide API. "ANSI" is the desktop's ANSI code page
// (GetACP), the one the definition's 8-bit texts are in; a character it
// lacks becomes '?', as the desktop's own conversion makes it.
std::wstring ansiToWide(std::string_view text);
std::string wideToAnsi(std::wstring_view text);
std::wstring utf8ToWide(std::string_view text);
std::string wideToUtf8(std::wstring_view text);
// A Win32 error code as text ("The system cannot find the file specified.").
std::string systemMessage(unsigned long error);

} // namespace tarvo
