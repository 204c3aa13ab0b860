#include "ceproto/CePassword.h"

#include "ceproto/RapiWriter.h"
#include "ceproto/Utf16Le.h"

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
    std::vector<std::uint8_t> plain(bytes.begin(), bytes.end());
    for (std::uint8_t& b : plain)
        b ^= mask;
    std::u16string password = Utf16Le::decodeAll(plain);
    if (!password.empty() && password.back() == u'\0')
        password.pop_back();
    return password;
}

} // namespace tarvo
