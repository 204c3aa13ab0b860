#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tarvo {

// Standard Base64 (RFC 4648 alphabet, '=' padding, no line breaks), as HTTP
// Basic authorization and the enciphered settings values use it.

// Replaces `out` with the encoding of `length` bytes at `data` and returns
// the number of characters written (always a multiple of 4).
std::size_t base64Encode(const void* data, std::size_t length, std::string& out);
std::string base64Encode(std::string_view data);

// Strict decoding: the text must be whole 4-character groups of the
// alphabet with padding only at its end and no blanks or line ends. False
// (and `out` empty) for anything else.
[[nodiscard]] bool base64Decode(std::string_view text, std::string& out);

namespace detail {
// The platform's coder (OpenSSL on Linux, Crypt32 on Windows): `encode`
// appends the encoding of `length` bytes to `out`; `decode` appends the
// bytes of `text`, whole groups of the alphabet with padding only at its
// end (already checked), and is false when the coder refused them.
void base64EncodeAppend(const unsigned char* data, std::size_t length, std::string& out);
[[nodiscard]] bool base64DecodeAppend(std::string_view text, std::string& out);
} // namespace detail

} // namespace tarvo
