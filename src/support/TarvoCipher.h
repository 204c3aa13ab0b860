#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tarvo {

// The cipher of the credentials kept in the settings file.
//
// Stored form: one line of standard Base64 (RFC 4648, with padding) of
//
//     nonce (12 random bytes) | ciphertext (as long as the plain text) | tag (16 bytes)
//
// made with AES-128-GCM; the AES key is the 16 bytes of the key text as they
// stand. The form holds only A-Z a-z 0-9 + / =, so a settings file keeps it
// as one value without quoting (the reader splits a line at its first '=',
// and padding only ever ends the text). The tag makes a wrong key, a cut or
// edited value, or text that was never enciphered fail to decipher instead
// of yielding garbage. A fresh nonce per call means enciphering the same
// text twice gives two different stored forms; both decipher alike.
//
// Length: a plain text of n bytes is stored in 4 * ceil((n + 28) / 3)
// characters; the settings reader keeps at most 259, so plain texts up to
// 164 bytes survive a round trip through the file.

inline constexpr std::size_t kTarvoKeyLength = 16;

constexpr std::size_t tarvoEncryptedLength(std::size_t plainLength)
{
    return (plainLength + 28 + 2) / 3 * 4;
}

// Enciphers `length` bytes at `text` into `out` (the stored form). Returns 0,
// or -1 with `out` empty when the key is not 16 bytes long or the
// cryptographic library fails.
[[nodiscard]] int tarvoEncrypt(const char* text, std::size_t length, std::string& out, std::string_view key);

// Deciphers the stored form: exactly `length` bytes at `text` are read (no
// terminating NUL is needed). Returns 0 with the plain text in `out`, or -1
// with `out` empty when the text is not a stored form made with this key.
[[nodiscard]] int tarvoDecrypt(const char* text, std::size_t length, std::string& out, std::string_view key);

namespace detail {
// The platform's AES-128-GCM (OpenSSL on Linux, BCrypt on Windows), 12-byte
// nonce, 16-byte tag, no additional data. `seal` writes `length` bytes of
// cipher text to `out` and the tag to `tag`; `open` writes `length` bytes of
// plain text to `out` and is false when the tag does not verify.
[[nodiscard]] bool aes128GcmSeal(const unsigned char* key, const unsigned char* nonce, const unsigned char* plain,
                                 std::size_t length, unsigned char* out, unsigned char* tag);
[[nodiscard]] bool aes128GcmOpen(const unsigned char* key, const unsigned char* nonce, const unsigned char* cipher,
                                 std::size_t length, const unsigned char* tag, unsigned char* out);
} // namespace detail

} // namespace tarvo
