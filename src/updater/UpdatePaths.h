#pragma once

#include <string_view>

namespace tarvo {

// Where the update service keeps its files, relative to the program's
// working folder, and the names it asks the phonebook server for.
inline constexpr std::string_view kUpdateFolder = "update";
inline constexpr std::string_view kBackupFolder = "backup";
inline constexpr std::string_view kLogFolder = "log";
inline constexpr std::string_view kUpdateLogFile = "log/update.log";
// Version lists live under this folder of a server.
inline constexpr std::string_view kServerListFolder = "verce/";
// The maker-wide version list; the profile's own is "<ProfileID>.ver".
inline constexpr std::string_view kGlobalList = "global.ver";
inline constexpr std::string_view kProfileListPattern = "<ProfileID>.ver";

} // namespace tarvo
