#pragma once

#include <string>

namespace tarvo {

// Expands a downloaded gzip file into the file the entry stands for, reading
// at most 1024 bytes at a time. Data that is not gzip comes out unchanged,
// as zlib reads it through.
class GzipExpander final {
public:
    enum class Result {
        Expanded,
        CannotCreateOutput,   // the output file could not be created
        CannotOpenCompressed, // the gzip file could not be opened (output left empty)
        Corrupt,              // the gzip data is damaged or cut short
    };

    static constexpr std::size_t kBlock = 1024;

    // `binary` false writes Windows text: a line feed not already preceded
    // by a carriage return gets one, so CR LF text is not doubled up. A
    // failed write or close of the output throws `UpdateIoError` naming
    // `outputName` (the name the log uses for `outputPath`).
    static Result expand(const std::string& gzipPath, const std::string& outputPath, bool binary,
                         const std::string& outputName);
};

} // namespace tarvo
