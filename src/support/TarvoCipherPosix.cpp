#include "support/TarvoCipher.h"

#include <openssl/evp.h>

#include <algorithm>
#include <memory>

namespace tarvo::detail {

namespace {

struct CtxFree {
    void operator()(EVP_CIPHER_CTX* ctx) const noexcept { EVP_CIPHER_CTX_free(ctx); }
};
using CipherCtx = std::unique_ptr<EVP_CIPHER_CTX, CtxFree>;

constexpr int kTagLength = 16;

} // namespace

bool aes128GcmSeal(const unsigned char* key, const unsigned char* nonce, const unsigned char* plain,
                   std::size_t length, unsigned char* out, unsigned char* tag)
{
    CipherCtx ctx(EVP_CIPHER_CTX_new());
    int produced = 0;
    int finalLength = 0;
    return ctx && EVP_EncryptInit_ex(ctx.get(), EVP_aes_128_gcm(), nullptr, key, nonce) == 1 &&
           (length == 0 || EVP_EncryptUpdate(ctx.get(), out, &produced, plain, static_cast<int>(length)) == 1) &&
           EVP_EncryptFinal_ex(ctx.get(), out + produced, &finalLength) == 1 &&
           static_cast<std::size_t>(produced) + static_cast<std::size_t>(finalLength) == length &&
           EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_GET_TAG, kTagLength, tag) == 1;
}

bool aes128GcmOpen(const unsigned char* key, const unsigned char* nonce, const unsigned char* cipher,
                   std::size_t length, const unsigned char* tag, unsigned char* out)
{
    CipherCtx ctx(EVP_CIPHER_CTX_new());
    int produced = 0;
    int finalLength = 0;
    // OpenSSL takes the expected tag through a non-const pointer.
    unsigned char expected[kTagLength];
    std::copy(tag, tag + kTagLength, expected);
    return ctx && EVP_DecryptInit_ex(ctx.get(), EVP_aes_128_gcm(), nullptr, key, nonce) == 1 &&
           (length == 0 || EVP_DecryptUpdate(ctx.get(), out, &produced, cipher, static_cast<int>(length)) == 1) &&
           EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_TAG, kTagLength, expected) == 1 &&
           EVP_DecryptFinal_ex(ctx.get(), out + produced, &finalLength) == 1 &&
           static_cast<std::size_t>(produced) + static_cast<std::size_t>(finalLength) == length;
}

} // namespace tarvo::detail
