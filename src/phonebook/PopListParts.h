#pragma once

#include "phonebook/PopFileReader.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarvo {

class PopList;

// Reading a large POP file in parts side by side. Reading pbook.txt is half
// of what `tarvo-sync list` and `status` spend on a big phonebook, and one
// processor reads it no faster than its lines can be split: the file is cut
// between lines into a part per processor, the first part read into the list
// on this thread, the others by threads of their own into lists of their
// own, which are then moved to the end of it. The list comes out as reading
// the file from start to end makes it (the tests and the POP-file fuzz
// target compare the two on every kind of line).
//
// Measured on the realistic 1M book's pbook.txt (134 MB) on two
// processors, median of 7 loads: whole about 135 ms, in two parts 60 to
// 80 ms.
class PopListParts final {
public:
    // How a large file is read: cut between lines into at most `parts`
    // parts of at least `minPartBytes` each.
    struct Parallelism {
        unsigned parts = 1;
        std::uint64_t minPartBytes = 0;
    };
    // A part per processor (at most eight), parts of at least 1 MiB.
    static Parallelism defaultParallelism();

    // Reads the file at `path` into the end of `list` in parts, when it is
    // big enough to cut by `parallelism`: Read when the file was read to the
    // end, otherwise why not. Nothing (and nothing read) for a file to be
    // read whole.
    static std::optional<PopFileStatus> read(PopList& list, const std::string& path, bool fromMaster,
                                             const Parallelism& parallelism);

private:
    // The open file cut at `cuts`: the first part from `first`, read here,
    // the others by threads of their own.
    static PopFileStatus readParts(PopList& list, PopFileReader& first, const ReadOnlyFile& file,
                                   const std::vector<std::uint64_t>& cuts, bool fromMaster);
};

} // namespace tarvo
