#include "ceproto/CePassword.h"

#include "ceproto/RapiWriter.h"

namespace tarvo {

std::vector<std::uint8_t> CePassword::encode(std::u16string_view password, std::uint32_t key, bool withNul)
{
    RapiWriter text;
    text.utf16(password);
    if (withNul)
        text.u16(0);
    std::vector<std::uint8_t> bytes = text.take();
    auto mask = static_cast<std::uint8_t>(key);
    for (std::uint8_t& b : bytes)
        b ^= mask;
    RapiWriter out;
    out.u16(static_cast<std::uint16_t>(bytes.size()));
    out.bytes(bytes);
    return out.take();
}

std::optional<std::u16string> CePassword::decode(std::span<const std::uint8_t> bytes, std::uint32_t key)
{
    if (bytes.size() % 2 != 0 || bytes.size() > kMaxBytes)
        return std::nullopt;
    auto mask = static_cast<std::uint8_t>(key);
    std::u16string password;
    for (std::size_t i = 0; i < bytes.size(); i += 2)
        password.push_back(static_cast<char16_t>((bytes[i] ^ mask) | (bytes[i + 1] ^ mask) << 8));
    if (!password.empty() && password.back() == u'\0')
        password.pop_back();
    return password;
}

} // namespace tarvo
