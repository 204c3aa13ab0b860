#include "ceproto/CeDeviceInfo.h"

#include "ceproto/RapiReader.h"
#include "text/CodePage.h"

#include <cstdio>

namespace tarvo {

namespace {

std::u16string unitsOf(std::span<const std::uint8_t> bytes, std::size_t limit)
{
    std::u16string text;
    for (std::size_t i = 0; i + 1 < bytes.size() && text.size() < limit; i += 2) {
        auto unit = static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
        if (unit == 0)
            break;
        text.push_back(unit);
    }
    return text;
}

// 8-bit text up to its NUL or the end of its field.
std::string textOf(std::span<const std::uint8_t> bytes)
{
    std::string text;
    for (std::uint8_t b : bytes) {
        if (b == 0)
            break;
        text.push_back(static_cast<char>(b));
    }
    return CodePage::ansiToUtf8(text);
}

// A u32 count then that many 8-bit bytes; nullopt past the limit or the end.
std::optional<std::string> countedText(RapiReader& in)
{
    std::uint32_t count = in.u32();
    if (count > CeDeviceInfo::kMaxAsciiBytes)
        return std::nullopt;
    std::span<const std::uint8_t> bytes = in.bytes(count);
    if (!in.ok())
        return std::nullopt;
    return textOf(bytes);
}

} // namespace

std::string CeDeviceInfo::guidText(std::span<const std::uint8_t, 16> b)
{
    char text[40];
    std::snprintf(text, sizeof text, "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", b[3],
                  b[2], b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
    return text;
}

std::optional<CeDeviceInfo> CeDeviceInfo::parse(std::span<const std::uint8_t> block)
{
    CeDeviceInfo info;
    RapiReader in(block);
    std::span<const std::uint8_t> guid = in.bytes(16);
    info.osMajor = in.u32();
    info.osMinor = in.u32();
    std::uint32_t nameUnits = in.u32();
    if (!in.ok() || nameUnits > kMaxNameUnits)
        return std::nullopt;
    info.guid = guidText(guid.first<16>());
    info.name = CodePage::utf16ToUtf8(unitsOf(in.bytes(2 * std::size_t{nameUnits}), kMaxNameUnits));
    in.skip(2); // the name's NUL, not counted
    info.version = in.u32();
    info.cpuType = in.u32();
    in.skip(4); // a counter or flags, meaning unknown
    info.partnerId = in.u32();
    info.id = in.u32();
    if (!in.ok())
        return std::nullopt;
    std::optional<std::string> platform = countedText(in);
    std::optional<std::string> model = platform ? countedText(in) : std::nullopt;
    if (!model)
        return std::nullopt;
    info.platform = std::move(*platform);
    info.model = std::move(*model);
    in.skip(1); // one byte after the model name
    std::uint32_t components = in.u32();
    if (!in.ok() || components > kMaxComponents)
        return std::nullopt;
    in.skip(8 * std::size_t{components});
    info.passwordKey = in.u32();
    if (!in.ok())
        return std::nullopt;
    if (in.remaining() > 0) {
        // Extra data: its size, then (within the block) bytes we do not use.
        std::uint32_t extra = in.u32();
        if (!in.ok() || extra > in.remaining() + 4)
            return std::nullopt;
    }
    return info;
}

std::optional<CeDeviceInfo> CeDeviceInfo::parseLegacy(std::span<const std::uint8_t> block)
{
    constexpr std::size_t kMinimum = 0x24;
    if (block.size() < kMinimum || block.size() >= kMaxLegacyBlock)
        return std::nullopt;
    CeDeviceInfo info;
    RapiReader in(block);
    in.skip(4);
    info.osMajor = in.u8();
    info.osMinor = in.u8();
    in.skip(2); // build number
    info.cpuType = in.u16();
    in.skip(6);
    info.partnerId = in.u32();
    in.skip(4); // a second partner id
    std::string* strings[] = {&info.name, &info.platform, &info.model};
    for (std::string* text : strings) {
        std::uint32_t offset = in.u32();
        if (offset >= block.size())
            return std::nullopt;
        *text = CodePage::utf16ToUtf8(unitsOf(block.subspan(offset), kMaxAsciiBytes));
    }
    if (!in.ok())
        return std::nullopt;
    // These handhelds have no GUID; the block's start stands in for one.
    info.guid = guidText(block.first<16>());
    return info;
}

} // namespace tarvo
