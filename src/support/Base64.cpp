#include "support/Base64.h"

namespace tarvo {

namespace {

bool isAlphabet(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
}

} // namespace

std::size_t base64Encode(const void* data, std::size_t length, std::string& out)
{
    out.clear();
    out.reserve((length + 2) / 3 * 4);
    detail::base64EncodeAppend(static_cast<const unsigned char*>(data), length, out);
    return out.size();
}

std::string base64Encode(std::string_view data)
{
    std::string out;
    base64Encode(data.data(), data.size(), out);
    return out;
}

bool base64Decode(std::string_view text, std::string& out)
{
    out.clear();
    if (text.size() % 4 != 0)
        return false;
    std::size_t padding = 0;
    if (!text.empty() && text.back() == '=')
        padding = text.size() >= 2 && text[text.size() - 2] == '=' ? 2 : 1;
    for (std::size_t i = 0; i < text.size() - padding; ++i)
        if (!isAlphabet(text[i]))
            return false;
    std::string decoded;
    decoded.reserve(text.size() / 4 * 3);
    if (!detail::base64DecodeAppend(text, decoded) || decoded.size() != text.size() / 4 * 3 - padding)
        return false;
    out = std::move(decoded);
    return true;
}

} // namespace tarvo
