#include "support/Base64.h"

#include <openssl/evp.h>

#include <algorithm>

namespace tarvo {

namespace {

// OpenSSL counts in int: longer data is coded in slices of whole groups.
constexpr std::size_t kSliceBytes = 3 * 1024 * 1024;
constexpr std::size_t kSliceChars = kSliceBytes / 3 * 4;

bool isAlphabet(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
}

} // namespace

std::size_t base64Encode(const void* data, std::size_t length, std::string& out)
{
    out.clear();
    const auto* in = static_cast<const unsigned char*>(data);
    std::size_t done = 0;
    while (done < length) {
        std::size_t n = std::min(kSliceBytes, length - done);
        std::size_t start = out.size();
        // EVP_EncodeBlock writes the NUL after the text as well.
        out.resize(start + (n + 2) / 3 * 4 + 1);
        int written = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data() + start), in + done,
                                      static_cast<int>(n));
        out.resize(start + static_cast<std::size_t>(written));
        done += n;
    }
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
    std::size_t done = 0;
    while (done < text.size()) {
        std::size_t n = std::min(kSliceChars, text.size() - done);
        std::size_t start = decoded.size();
        decoded.resize(start + n / 4 * 3);
        int got = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(decoded.data() + start),
                                  reinterpret_cast<const unsigned char*>(text.data() + done), static_cast<int>(n));
        if (got < 0)
            return false;
        decoded.resize(start + static_cast<std::size_t>(got));
        done += n;
    }
    // EVP_DecodeBlock counts the padding as zero bytes.
    decoded.resize(decoded.size() - padding);
    out = std::move(decoded);
    return true;
}

} // namespace tarvo
