#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tarvo {

// What a handheld tells about itself on its control connection (the block
// after the handshake; docs/ce-protocol.md has both layouts). Text is UTF-8.
struct CeDeviceInfo {
    static constexpr std::uint32_t kMaxNameUnits = 31;
    static constexpr std::uint32_t kMaxAsciiBytes = 255;
    static constexpr std::uint32_t kMaxComponents = 6;
    // An older handheld's block is announced by a header below 512.
    static constexpr std::size_t kMaxLegacyBlock = 512;
    // Password key values: none, and "typed on the handheld".
    static constexpr std::uint32_t kNoPassword = 0;
    static constexpr std::uint32_t kPasswordOnDevice = 0xFFFFFFFFu;

    std::string guid; // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
    std::uint32_t osMajor = 0;
    std::uint32_t osMinor = 0;
    std::string name;
    std::uint32_t version = 0;
    std::uint32_t cpuType = 0;
    std::uint32_t partnerId = 0;
    std::uint32_t id = 0;
    std::string platform;
    std::string model;
    std::uint32_t passwordKey = kNoPassword;

    // The block a newer handheld sends on port 990; nullopt when it is
    // short, a count is over its limit, or a field runs past the end.
    static std::optional<CeDeviceInfo> parse(std::span<const std::uint8_t> block);
    // The block an older handheld sends on port 5679 (strings at offsets,
    // each read up to its NUL and at most kMaxAsciiBytes units).
    static std::optional<CeDeviceInfo> parseLegacy(std::span<const std::uint8_t> block);

    // 16 bytes as a GUID's text (the first three fields little-endian).
    static std::string guidText(std::span<const std::uint8_t, 16> bytes);

    // The handheld's end: the block `parse` reads, with `guid` as its first
    // 16 bytes (`guid` the text is ignored) and no platform components.
    std::vector<std::uint8_t> encode(std::span<const std::uint8_t, 16> guid) const;
    // The block `parseLegacy` reads.
    std::vector<std::uint8_t> encodeLegacy() const;
};

} // namespace tarvo
