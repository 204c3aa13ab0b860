#pragma once

#include <string>

namespace tarvo {

class FrontEnd;

inline constexpr const char* kRenameFailedMessage = "ERROR: Unable to rename compressed phonebook file";
inline constexpr const char* kCreateFailedMessage = "ERROR: Can't create phonebook file";
inline constexpr const char* kOpenCompressedFailedMessage = "ERROR: Can't open compressed phonebook file";
inline constexpr const char* kCompressedDamagedMessage = "ERROR: Compressed phonebook file is damaged";

// Expands a "pbook.txt" that arrived gzip-compressed: the file is moved to
// `path` + ".gz" (replacing an older one) and expanded back to `path`; both
// stay on disk. Data that is not gzip comes out unchanged. Each failure is
// shown in a message box (OK, no icon) and gives false.
//
// The boxes carry the program's fixed title as their caption: the expansion
// runs during the phonebook load, before start-up replaces the caption by
// the profile's title.
//
// The expanded file appears only complete: a damaged or truncated stream, or
// a failed write, leaves no `path` at all rather than half a phonebook. When
// `path` is missing nothing is moved, so an existing ".gz" file survives.
[[nodiscard]] bool ExpandCompressedPhonebook(const std::string& path, FrontEnd& frontEnd);

} // namespace tarvo
