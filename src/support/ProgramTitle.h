#pragma once

namespace tarvo {

// The program's own name: the caption of every message box until the
// profile's title replaces it, the profile's default title, and the start
// of the "<Version>" tag.
inline constexpr char kProgramTitle[] = "Tarvo Windows CE Synchronizer";

} // namespace tarvo
