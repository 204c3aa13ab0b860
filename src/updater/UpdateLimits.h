#pragma once

#include "phonebook/ExpandCompressedPhonebook.h"

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace tarvo {

// How much the update service takes from a server before it gives up, and
// how slow a server may be. Each bound ends the pass (or the run's log
// records) with a message of its own; none is anywhere near what a real
// phonebook server sends (a version list of a few dozen lines, files of a
// few MB, a master phonebook of about 100 MB expanded). Tests make them
// small.
struct UpdateLimits {
    // A version list, local or from the server.
    std::uint64_t listBytes = std::uint64_t{1} << 20;
    std::size_t listEntries = 10000;
    // A file whose length the server did not announce (which fails the
    // pass anyway) is read no further than this.
    std::uint64_t unannouncedBody = std::uint64_t{256} << 20;
    // The expansion of compressed downloads: the ratio and the free space
    // that the expansion of a compressed master phonebook keeps to. The
    // free-space reserve holds for the downloads too.
    ExpansionLimits expansion{};
    // Records one run writes to the log; the outcome of each pass is
    // written whatever the count.
    std::size_t logRecords = 5000;
    // A transfer slower than this many bytes a second over the whole
    // window is given up (a server that trickles a byte now and then).
    std::uint32_t minimumRate = 512;
    std::chrono::seconds rateWindow{60};
};

} // namespace tarvo
