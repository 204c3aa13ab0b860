#include "support/Base64.h"

#include <openssl/evp.h>

#include <algorithm>

namespace tarvo::detail {

namespace {

// OpenSSL counts in int: longer data is coded in slices of whole groups.
constexpr std::size_t kSliceBytes = 3 * 1024 * 1024;
constexpr std::size_t kSliceChars = kSliceBytes / 3 * 4;

} // namespace

void base64EncodeAppend(const unsigned char* data, std::size_t length, std::string& out)
{
    std::size_t done = 0;
    while (done < length) {
        std::size_t n = std::min(kSliceBytes, length - done);
        std::size_t start = out.size();
        // EVP_EncodeBlock writes the NUL after the text as well.
        out.resize(start + (n + 2) / 3 * 4 + 1);
        int written = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data() + start), data + done,
                                      static_cast<int>(n));
        out.resize(start + static_cast<std::size_t>(written));
        done += n;
    }
}

bool base64DecodeAppend(std::string_view text, std::string& out)
{
    std::size_t done = 0;
    while (done < text.size()) {
        std::size_t n = std::min(kSliceChars, text.size() - done);
        std::size_t start = out.size();
        out.resize(start + n / 4 * 3);
        int got = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(out.data() + start),
                                  reinterpret_cast<const unsigned char*>(text.data() + done), static_cast<int>(n));
        if (got < 0)
            return false;
        out.resize(start + static_cast<std::size_t>(got));
        done += n;
    }
    // EVP_DecodeBlock counts the padding as zero bytes.
    std::size_t padding = 0;
    for (std::size_t i = text.size(); i > 0 && text[i - 1] == '='; --i)
        ++padding;
    out.resize(out.size() - std::min(padding, out.size()));
    return true;
}

} // namespace tarvo::detail
