#pragma once

#include <cstdint>
#include <string>

namespace tarvo {

class FrontEnd;

inline constexpr const char* kRenameFailedMessage = "ERROR: Unable to rename compressed phonebook file";
inline constexpr const char* kCreateFailedMessage = "ERROR: Can't create phonebook file";
inline constexpr const char* kOpenCompressedFailedMessage = "ERROR: Can't open compressed phonebook file";
inline constexpr const char* kCompressedDamagedMessage = "ERROR: Compressed phonebook file is damaged";

// How far an expansion may go: no real phonebook compresses better than
// `ratio` to one, so a stream that expands further is taken for damaged (a
// bomb, not a phonebook). Independently, the expansion stops before it leaves
// the disk with less than `keepFree` bytes, so that it never fills the disk
// for everything else; that is reported as the write failure it would have
// become. The reserve is small on purpose: a disk with little room left must
// still expand a phonebook that fits. Tests make both small.
struct ExpansionLimits {
    std::uint64_t ratio = 50;
    std::uint64_t floorBytes = std::uint64_t{1} << 20; // allowed whatever the compressed size
    std::uint64_t keepFree = std::uint64_t{64} << 20;
};

// Expands a "pbook.txt" that arrived gzip-compressed: `path` becomes the
// expansion and `path` + ".gz" the compressed original (replacing an older
// one); both stay on disk. Each failure is shown in a message box (OK, no
// icon) and gives false.
//
// The boxes carry the program's fixed title as their caption: the expansion
// runs during the phonebook load, before start-up replaces the caption by
// the profile's title.
//
// At every moment `path` holds either the compressed original or the whole
// expansion, and `path` + ".gz" is replaced only once the expansion is
// complete: a damaged, truncated or oversized stream, a failed write or a
// killed run leaves both files as they were (what a killed run leaves beside
// them is its temporary files). A file that is no gzip data at all is not
// touched and gives false without a box: it is no phonebook either, which
// the load then reports.
[[nodiscard]] bool ExpandCompressedPhonebook(const std::string& path, FrontEnd& frontEnd,
                                             const ExpansionLimits& limits = {});

} // namespace tarvo
