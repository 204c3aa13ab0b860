#include "ceproto/CeDeviceInfo.h"

#include "ceproto/RapiReader.h"
#include "ceproto/RapiWriter.h"
#include "ceproto/Utf16Le.h"
#include "text/CodePage.h"

#include <array>
#include <cstdio>

namespace tarvo {

namespace {

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

// UTF-8 text as 8-bit bytes, at most `limit` of them.
std::string ansiOf(const std::string& text, std::size_t limit)
{
    return CodePage::ansi().fromUtf16(CodePage::utf8ToUtf16(text)).substr(0, limit);
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
    info.name = CodePage::utf16ToUtf8(Utf16Le::decode(in.bytes(2 * std::size_t{nameUnits}), kMaxNameUnits));
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
        *text = CodePage::utf16ToUtf8(Utf16Le::decode(block.subspan(offset), kMaxAsciiBytes));
    }
    if (!in.ok())
        return std::nullopt;
    // These handhelds have no GUID; the block's start stands in for one.
    info.guid = guidText(block.first<16>());
    return info;
}

std::vector<std::uint8_t> CeDeviceInfo::encode(std::span<const std::uint8_t, 16> guidBytes) const
{
    RapiWriter out;
    out.bytes(guidBytes);
    out.u32(osMajor);
    out.u32(osMinor);
    const std::u16string units = CodePage::utf8ToUtf16(name).substr(0, kMaxNameUnits);
    out.u32(static_cast<std::uint32_t>(units.size()));
    out.utf16(units);
    out.u16(0);
    for (std::uint32_t word : {version, cpuType, 0u, partnerId, id})
        out.u32(word);
    // The platform is a list of strings ended by an extra NUL; the model one string.
    const std::string platformBytes = ansiOf(platform, kMaxAsciiBytes - 2);
    out.u32(static_cast<std::uint32_t>(platformBytes.size() + 2));
    out.bytes(std::span(reinterpret_cast<const std::uint8_t*>(platformBytes.data()), platformBytes.size()));
    out.u16(0);
    const std::string modelBytes = ansiOf(model, kMaxAsciiBytes - 1);
    out.u32(static_cast<std::uint32_t>(modelBytes.size() + 1));
    out.bytes(std::span(reinterpret_cast<const std::uint8_t*>(modelBytes.data()), modelBytes.size()));
    out.bytes(std::array<std::uint8_t, 2>{0, 0}); // the model's NUL, then the byte after it
    out.u32(0);                                   // no platform components
    out.u32(passwordKey);
    return out.take();
}

std::vector<std::uint8_t> CeDeviceInfo::encodeLegacy() const
{
    // Fixed fields, then the three names at the offsets given at 24, 28, 32.
    constexpr std::uint32_t kStrings = 36;
    const std::u16string texts[] = {CodePage::utf8ToUtf16(name).substr(0, 64), CodePage::utf8ToUtf16(platform),
                                    CodePage::utf8ToUtf16(model)};
    RapiWriter out;
    out.u32(0);
    out.bytes(std::array<std::uint8_t, 2>{static_cast<std::uint8_t>(osMajor), static_cast<std::uint8_t>(osMinor)});
    out.u16(0); // build
    out.u16(static_cast<std::uint16_t>(cpuType));
    out.u16(0);
    out.u32(0);
    out.u32(partnerId);
    out.u32(0); // a second partner
    std::uint32_t at = kStrings;
    for (const std::u16string& text : texts) {
        out.u32(at);
        at += static_cast<std::uint32_t>(2 * (text.size() + 1));
    }
    for (const std::u16string& text : texts) {
        out.utf16(text);
        out.u16(0);
    }
    return out.take();
}

} // namespace tarvo
