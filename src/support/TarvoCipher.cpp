#include "support/TarvoCipher.h"

#include "support/Base64.h"
#include "support/RandomBytes.h"

#include <climits>

namespace tarvo {

namespace {

constexpr std::size_t kNonceLength = 12;
constexpr std::size_t kTagLength = 16;
// Credentials are short; anything near int's range is no stored form.
constexpr std::size_t kMaxPlainLength = INT_MAX / 2;

// Plain text and key material do not linger in freed memory.
void wipe(std::string& s)
{
    wipeBytes(s.data(), s.size());
    s.clear();
}

const unsigned char* bytes(const char* p)
{
    return reinterpret_cast<const unsigned char*>(p);
}

unsigned char* bytes(char* p)
{
    return reinterpret_cast<unsigned char*>(p);
}

} // namespace

int tarvoEncrypt(const char* text, std::size_t length, std::string& out, std::string_view key)
{
    out.clear();
    if (key.size() != kTarvoKeyLength || length > kMaxPlainLength || (text == nullptr && length != 0))
        return -1;
    std::string raw(kNonceLength + length + kTagLength, '\0');
    unsigned char* nonce = bytes(raw.data());
    unsigned char* cipherText = nonce + kNonceLength;
    if (!fillRandomBytes(nonce, kNonceLength) ||
        !detail::aes128GcmSeal(bytes(key.data()), nonce, length == 0 ? nonce : bytes(text), length, cipherText,
                               cipherText + length))
        return -1;
    base64Encode(raw.data(), raw.size(), out);
    return 0;
}

int tarvoDecrypt(const char* text, std::size_t length, std::string& out, std::string_view key)
{
    out.clear();
    if (key.size() != kTarvoKeyLength || (text == nullptr && length != 0))
        return -1;
    std::string raw;
    if (!base64Decode(std::string_view(text, length), raw) || raw.size() < kNonceLength + kTagLength ||
        raw.size() - kNonceLength - kTagLength > kMaxPlainLength)
        return -1;
    const std::size_t plainLength = raw.size() - kNonceLength - kTagLength;
    const unsigned char* nonce = bytes(raw.data());
    const unsigned char* cipherText = nonce + kNonceLength;
    std::string plain(plainLength, '\0');
    if (!detail::aes128GcmOpen(bytes(key.data()), nonce, cipherText, plainLength, cipherText + plainLength,
                               bytes(plain.data()))) {
        wipe(plain);
        return -1;
    }
    out = std::move(plain);
    return 0;
}

} // namespace tarvo
