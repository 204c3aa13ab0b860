#pragma once

#include <cstdint>

namespace tarvo {

// A file's fixed version record, laid out as the desktop defines it
// (VS_FIXEDFILEINFO, 52 bytes): each version is two 32-bit words, the most
// significant one holding major * 65536 + minor, the least significant one
// build * 65536 + revision.
struct FileVersionInfo {
    static constexpr std::uint32_t kSignature = 0xFEEF04BD;
    static constexpr std::uint32_t kStructVersion = 0x00010000;
    static constexpr std::uint32_t kFileTypeApp = 1; // VFT_APP

    std::uint32_t dwSignature = 0;
    std::uint32_t dwStrucVersion = 0;
    std::uint32_t dwFileVersionMS = 0;
    std::uint32_t dwFileVersionLS = 0;
    std::uint32_t dwProductVersionMS = 0;
    std::uint32_t dwProductVersionLS = 0;
    std::uint32_t dwFileFlagsMask = 0;
    std::uint32_t dwFileFlags = 0;
    std::uint32_t dwFileOS = 0;
    std::uint32_t dwFileType = 0;
    std::uint32_t dwFileSubtype = 0;
    std::uint32_t dwFileDateMS = 0;
    std::uint32_t dwFileDateLS = 0;

    [[nodiscard]] unsigned fileMajor() const { return dwFileVersionMS >> 16; }
    [[nodiscard]] unsigned fileMinor() const { return dwFileVersionMS & 0xFFFF; }
};
static_assert(sizeof(FileVersionInfo) == 52);

// The record of the project version this program was built with.
[[nodiscard]] FileVersionInfo ownFileVersion();

// Fills `record` with the version of a file; 0 on success, non-zero (and
// `record` cleared) when the file carries no version record.
//
// Null `path`: the program itself, whose version is the project version it
// was built with. On Windows every other file's version resource is read as
// the desktop reads it. Linux executables carry no version resource, so
// there another path succeeds only when it names the running program's own
// file (any link to it included); every other file reports non-zero.
[[nodiscard]] int getFileVersion(const char* path, FileVersionInfo& record);

} // namespace tarvo
