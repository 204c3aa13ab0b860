#pragma once

#include "phonebook/ExpandCompressedPhonebook.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace tarvo {

class AtomicFile;

// Expands a downloaded gzip file into the file the entry stands for. Data
// that is not gzip comes out unchanged, as zlib reads it through.
//
// Bounded as the expansion of a compressed master phonebook is: output past
// `limits.ratio` times the compressed size (at least `limits.floorBytes`)
// is taken for a bomb, and the expansion stops before the disk keeps less
// than `limits.keepFree` bytes. Large blocks in and out, so it keeps pace
// with `gzip -dc`.
class GzipExpander final {
public:
    enum class Result {
        Expanded,
        CannotOpenCompressed, // the gzip file could not be opened (output left empty)
        Corrupt,              // the gzip data is damaged or cut short
        TooLarge,             // it expands past the ratio bound
        NoSpace,              // the disk would be left with less than the reserve
        Cancelled,            // `cancelled` said so
    };

    static constexpr std::size_t kBlock = std::size_t{1} << 18;

    // Writes the expansion of `gzipPath` to `output` (open). `binary` false
    // writes Windows text: a line feed not already preceded by a carriage
    // return gets one, so CR LF text is not doubled up. `cancelled` is asked
    // after every block. A failed write throws `UpdateIoError` naming
    // `outputName` (the name the log uses for the output).
    static Result expand(const std::string& gzipPath, AtomicFile& output, bool binary, const std::string& outputName,
                         const ExpansionLimits& limits, const std::function<bool()>& cancelled = {});

    // The size past which the expansion of `compressedSize` bytes is
    // refused.
    static std::uint64_t bound(std::uint64_t compressedSize, const ExpansionLimits& limits);
};

} // namespace tarvo
