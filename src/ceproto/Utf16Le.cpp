#include "ceproto/Utf16Le.h"

namespace tarvo {

namespace {

char16_t unitAt(std::span<const std::uint8_t> bytes, std::size_t i)
{
    return static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
}

} // namespace

std::u16string Utf16Le::decode(std::span<const std::uint8_t> bytes, std::size_t limit)
{
    std::u16string text;
    for (std::size_t i = 0; i + 1 < bytes.size() && text.size() < limit; i += 2) {
        char16_t unit = unitAt(bytes, i);
        if (unit == 0)
            break;
        text.push_back(unit);
    }
    return text;
}

std::u16string Utf16Le::decodeAll(std::span<const std::uint8_t> bytes)
{
    std::u16string text;
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        text.push_back(unitAt(bytes, i));
    return text;
}

void Utf16Le::append(std::u16string_view text, std::vector<std::uint8_t>& out)
{
    out.reserve(out.size() + 2 * text.size());
    for (char16_t unit : text) {
        out.push_back(static_cast<std::uint8_t>(unit));
        out.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
}

std::vector<std::uint8_t> Utf16Le::withNul(std::u16string_view text)
{
    std::vector<std::uint8_t> out;
    append(text, out);
    out.insert(out.end(), {0, 0});
    return out;
}

} // namespace tarvo
