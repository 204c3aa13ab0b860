#include "support/TarvoCipher.h"

#include <windows.h>

#include <bcrypt.h>
#include <climits>

namespace tarvo::detail {

namespace {

constexpr ULONG kNonceLength = 12;
constexpr ULONG kTagLength = 16;

struct Algorithm {
    BCRYPT_ALG_HANDLE handle = nullptr;
    ~Algorithm()
    {
        if (handle)
            ::BCryptCloseAlgorithmProvider(handle, 0);
    }
};

struct Key {
    BCRYPT_KEY_HANDLE handle = nullptr;
    ~Key()
    {
        if (handle)
            ::BCryptDestroyKey(handle);
    }
};

enum class Direction { Seal, Open };

bool run(Direction direction, const unsigned char* key, const unsigned char* nonce, const unsigned char* in,
         std::size_t length, unsigned char* out, unsigned char* tag)
{
    if (length > ULONG_MAX)
        return false;
    Algorithm aes;
    Key k;
    if (!BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(&aes.handle, BCRYPT_AES_ALGORITHM, nullptr, 0)))
        return false;
    wchar_t gcm[] = BCRYPT_CHAIN_MODE_GCM;
    if (!BCRYPT_SUCCESS(::BCryptSetProperty(aes.handle, BCRYPT_CHAINING_MODE, reinterpret_cast<PUCHAR>(gcm),
                                            sizeof gcm, 0)))
        return false;
    if (!BCRYPT_SUCCESS(::BCryptGenerateSymmetricKey(aes.handle, &k.handle, nullptr, 0, const_cast<PUCHAR>(key), 16,
                                                     0)))
        return false;
    BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info;
    BCRYPT_INIT_AUTH_MODE_INFO(info);
    info.pbNonce = const_cast<PUCHAR>(nonce);
    info.cbNonce = kNonceLength;
    info.pbTag = tag;
    info.cbTag = kTagLength;
    ULONG done = 0;
    const auto size = static_cast<ULONG>(length);
    // BCrypt wants a buffer even for no data.
    unsigned char none = 0;
    PUCHAR input = length == 0 ? &none : const_cast<PUCHAR>(in);
    PUCHAR output = length == 0 ? &none : out;
    const NTSTATUS status = direction == Direction::Seal
                                ? ::BCryptEncrypt(k.handle, input, size, &info, nullptr, 0, output, size, &done, 0)
                                : ::BCryptDecrypt(k.handle, input, size, &info, nullptr, 0, output, size, &done, 0);
    return BCRYPT_SUCCESS(status) && done == size;
}

} // namespace

bool aes128GcmSeal(const unsigned char* key, const unsigned char* nonce, const unsigned char* plain,
                   std::size_t length, unsigned char* out, unsigned char* tag)
{
    return run(Direction::Seal, key, nonce, plain, length, out, tag);
}

bool aes128GcmOpen(const unsigned char* key, const unsigned char* nonce, const unsigned char* cipher,
                   std::size_t length, const unsigned char* tag, unsigned char* out)
{
    // The tag is only read when opening.
    return run(Direction::Open, key, nonce, cipher, length, out, const_cast<unsigned char*>(tag));
}

} // namespace tarvo::detail
