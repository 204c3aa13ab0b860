#include "support/TarvoCipher.h"

#include "support/Base64.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <climits>
#include <memory>

namespace tarvo {

namespace {

constexpr std::size_t kNonceLength = 12;
constexpr std::size_t kTagLength = 16;
// Credentials are short; anything near int's range is no stored form.
constexpr std::size_t kMaxPlainLength = INT_MAX / 2;

struct CtxFree {
    void operator()(EVP_CIPHER_CTX* ctx) const noexcept { EVP_CIPHER_CTX_free(ctx); }
};
using CipherCtx = std::unique_ptr<EVP_CIPHER_CTX, CtxFree>;

// Plain text and key material do not linger in freed memory.
void wipe(std::string& s)
{
    if (!s.empty())
        OPENSSL_cleanse(s.data(), s.size());
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
    CipherCtx ctx(EVP_CIPHER_CTX_new());
    if (!ctx)
        return -1;

    std::string raw(kNonceLength + length + kTagLength, '\0');
    unsigned char* nonce = bytes(raw.data());
    unsigned char* cipherText = nonce + kNonceLength;
    int produced = 0;
    int finalLength = 0;
    bool ok = RAND_bytes(nonce, static_cast<int>(kNonceLength)) == 1
              && EVP_EncryptInit_ex(ctx.get(), EVP_aes_128_gcm(), nullptr, bytes(key.data()), nonce) == 1
              && (length == 0
                  || EVP_EncryptUpdate(ctx.get(), cipherText, &produced, bytes(text), static_cast<int>(length)) == 1)
              && EVP_EncryptFinal_ex(ctx.get(), cipherText + produced, &finalLength) == 1
              && static_cast<std::size_t>(produced) + static_cast<std::size_t>(finalLength) == length
              && EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_GET_TAG, static_cast<int>(kTagLength),
                                     cipherText + length)
                     == 1;
    if (!ok)
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
    if (!base64Decode(std::string_view(text, length), raw) || raw.size() < kNonceLength + kTagLength
        || raw.size() - kNonceLength - kTagLength > kMaxPlainLength)
        return -1;
    CipherCtx ctx(EVP_CIPHER_CTX_new());
    if (!ctx)
        return -1;

    std::size_t plainLength = raw.size() - kNonceLength - kTagLength;
    unsigned char* nonce = bytes(raw.data());
    unsigned char* cipherText = nonce + kNonceLength;
    unsigned char* tag = cipherText + plainLength;
    std::string plain(plainLength, '\0');
    int produced = 0;
    int finalLength = 0;
    bool ok = EVP_DecryptInit_ex(ctx.get(), EVP_aes_128_gcm(), nullptr, bytes(key.data()), nonce) == 1
              && (plainLength == 0
                  || EVP_DecryptUpdate(ctx.get(), bytes(plain.data()), &produced, cipherText,
                                       static_cast<int>(plainLength))
                         == 1)
              && EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_TAG, static_cast<int>(kTagLength), tag) == 1
              && EVP_DecryptFinal_ex(ctx.get(), bytes(plain.data()) + produced, &finalLength) == 1
              && static_cast<std::size_t>(produced) + static_cast<std::size_t>(finalLength) == plainLength;
    if (!ok) {
        wipe(plain);
        return -1;
    }
    out = std::move(plain);
    return 0;
}

} // namespace tarvo
