#include "support/Base64.h"

#include <windows.h>

#include <algorithm>
#include <wincrypt.h>

namespace tarvo::detail {

namespace {

// Crypt32 counts in DWORD: longer data is coded in slices of whole groups.
constexpr std::size_t kSliceBytes = 3 * 1024 * 1024;
constexpr std::size_t kSliceChars = kSliceBytes / 3 * 4;

} // namespace

void base64EncodeAppend(const unsigned char* data, std::size_t length, std::string& out)
{
    std::size_t done = 0;
    while (done < length) {
        const auto n = static_cast<DWORD>(std::min(kSliceBytes, length - done));
        DWORD size = 0;
        const DWORD flags = CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF;
        if (!::CryptBinaryToStringA(data + done, n, flags, nullptr, &size))
            return;
        const std::size_t start = out.size();
        out.resize(start + size);
        if (!::CryptBinaryToStringA(data + done, n, flags, out.data() + start, &size)) {
            out.resize(start);
            return;
        }
        // The size asked for counts the NUL; the one written does not.
        out.resize(start + size);
        done += n;
    }
}

bool base64DecodeAppend(std::string_view text, std::string& out)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const auto n = static_cast<DWORD>(std::min(kSliceChars, text.size() - done));
        DWORD size = 0;
        if (!::CryptStringToBinaryA(text.data() + done, n, CRYPT_STRING_BASE64, nullptr, &size, nullptr, nullptr))
            return false;
        const std::size_t start = out.size();
        out.resize(start + size);
        if (!::CryptStringToBinaryA(text.data() + done, n, CRYPT_STRING_BASE64,
                                    reinterpret_cast<BYTE*>(out.data() + start), &size, nullptr, nullptr))
            return false;
        out.resize(start + size);
        done += n;
    }
    return true;
}

} // namespace tarvo::detail
