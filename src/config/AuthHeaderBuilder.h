#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace tarvo {

// The key of the credentials kept in the settings file, the same for user
// names and passwords of both server sets.
inline constexpr std::string_view kCredentialKey = "k9#T2v!Qz_7&Lp=w";

enum class AuthHeaderResult {
    Built,          // the header holds the new line
    NoCredentials,  // a stored value is empty: nothing was deciphered
    Undecipherable, // a stored value is no enciphered text: header unchanged
    TooLong,        // user name, ':' and password exceed 255 characters: header unchanged
};

// Turns a server set's enciphered user name and password into its HTTP
// Basic authorization line, "Authorization: Basic " and the Base64 text of
// user, ':' and password, without a line end. The plain texts live only in
// this call. Every failure leaves the header as it was, so a server set
// whose credentials cannot be used sends no header at all rather than one
// built from garbage or from a cut text.
class AuthHeaderBuilder final {
public:
    // Deciphers `length` bytes at `text` into `out`; 0 on success.
    using Decipher = std::function<int(const char* text, std::size_t length, std::string& out, std::string_view key)>;

    static constexpr std::size_t kMaxJoined = 255;
    static constexpr std::string_view kPrefix = "Authorization: Basic ";

    // Deciphers with TarvoDecrypt.
    AuthHeaderBuilder();
    explicit AuthHeaderBuilder(Decipher decipher);

    // A plain text cut at its first NUL, as the stored form of a C string.
    AuthHeaderResult build(std::string storedUser, std::string storedPassword, std::string& header) const;

private:
    Decipher m_decipher;
};

} // namespace tarvo
