#pragma once

#include <cstdint>

// The platform's values that travel in the handheld's remote API (Win32
// constants, as docs/ce-protocol.md lists them).
namespace tarvo::ce {

inline constexpr std::uint32_t kInvalidHandle = 0xFFFFFFFFu;
inline constexpr std::uint32_t kInvalidAttributes = 0xFFFFFFFFu;

inline constexpr std::uint32_t kGenericRead = 0x80000000u;
inline constexpr std::uint32_t kGenericWrite = 0x40000000u;
inline constexpr std::uint32_t kFileShareRead = 1;
inline constexpr std::uint32_t kCreateAlways = 2;
inline constexpr std::uint32_t kOpenExisting = 3;
inline constexpr std::uint32_t kAttributeDirectory = 0x10;
inline constexpr std::uint32_t kAttributeNormal = 0x80;

inline constexpr std::uint32_t kHkeyCurrentUser = 0x80000001u;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegCreatedNewKey = 1;
inline constexpr std::uint32_t kRegOpenedExistingKey = 2;

// Error codes (GetLastError and registry results).
inline constexpr std::int32_t kErrorSuccess = 0;
inline constexpr std::int32_t kErrorFileNotFound = 2;
inline constexpr std::int32_t kErrorPathNotFound = 3;
inline constexpr std::int32_t kErrorAccessDenied = 5;
inline constexpr std::int32_t kErrorInvalidHandle = 6;
inline constexpr std::int32_t kErrorNoMoreFiles = 18;
inline constexpr std::int32_t kErrorWriteFault = 29;
inline constexpr std::int32_t kErrorGenFailure = 31;
inline constexpr std::int32_t kErrorSharingViolation = 32;
inline constexpr std::int32_t kErrorNotSupported = 50;
inline constexpr std::int32_t kErrorInvalidParameter = 87;
inline constexpr std::int32_t kErrorDiskFull = 112;
inline constexpr std::int32_t kErrorInsufficientBuffer = 122;
inline constexpr std::int32_t kErrorAlreadyExists = 183;
inline constexpr std::int32_t kErrorMoreData = 234;
inline constexpr std::int32_t kErrorNotConnected = 1167;

inline constexpr std::uint32_t kENotImpl = 0x80004001u;

// The platform value of GetVersionEx for Windows CE.
inline constexpr std::uint32_t kPlatformWin32Ce = 3;

// The name field of the find data: MAX_PATH UTF-16 units.
inline constexpr std::uint32_t kMaxPath = 260;
// Find data as the handheld sends it: attributes, three file times, size
// high and low, object id, then the name.
inline constexpr std::uint32_t kFindDataSize = 40 + 2 * kMaxPath;
// OSVERSIONINFO: five u32 and 128 UTF-16 units.
inline constexpr std::uint32_t kVersionInfoSize = 20 + 2 * 128;

} // namespace tarvo::ce
