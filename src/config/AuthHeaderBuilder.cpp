#include "config/AuthHeaderBuilder.h"

#include "support/Base64.h"
#include "support/RandomBytes.h"
#include "support/TarvoCipher.h"

namespace tarvo {

namespace {

// Credentials do not linger in freed memory.
class Secret final {
public:
    Secret() = default;
    Secret(const Secret&) = delete;
    Secret& operator=(const Secret&) = delete;
    ~Secret()
    {
        wipeBytes(m_text.data(), m_text.size());
    }
    std::string& text() { return m_text; }

private:
    std::string m_text;
};

void cutAtNul(std::string& s)
{
    if (std::size_t nul = s.find('\0'); nul != std::string::npos)
        s.resize(nul);
}

} // namespace

AuthHeaderBuilder::AuthHeaderBuilder()
    : m_decipher([](const char* text, std::size_t length, std::string& out, std::string_view key) {
          return tarvoDecrypt(text, length, out, key);
      })
{
}

AuthHeaderBuilder::AuthHeaderBuilder(Decipher decipher) : m_decipher(std::move(decipher)) {}

AuthHeaderResult AuthHeaderBuilder::build(std::string storedUser, std::string storedPassword,
                                          std::string& header) const
{
    if (storedUser.empty() || storedPassword.empty())
        return AuthHeaderResult::NoCredentials;

    Secret user;
    Secret password;
    if (m_decipher(storedUser.data(), storedUser.size(), user.text(), kCredentialKey) != 0
        || m_decipher(storedPassword.data(), storedPassword.size(), password.text(), kCredentialKey) != 0)
        return AuthHeaderResult::Undecipherable;
    cutAtNul(user.text());
    cutAtNul(password.text());
    if (user.text().size() + 1 + password.text().size() > kMaxJoined)
        return AuthHeaderResult::TooLong;

    Secret joined;
    joined.text().reserve(kMaxJoined);
    joined.text().append(user.text()).append(":").append(password.text());
    Secret encoded;
    base64Encode(joined.text().data(), joined.text().size(), encoded.text());
    header = std::string(kPrefix) + encoded.text();
    return AuthHeaderResult::Built;
}

} // namespace tarvo
