// The credential decipher on arbitrary stored texts (it must fail cleanly,
// reading only the bytes given), the enciphering round trip, and the
// authorization header built from arbitrary stored pairs.
#include "config/AuthHeaderBuilder.h"
#include "support/Base64.h"
#include "support/TarvoCipher.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // An exact-size copy, so any read past the input is caught.
    std::unique_ptr<char[]> text(new char[size == 0 ? 1 : size]);
    if (size != 0)
        std::memcpy(text.get(), data, size);
    std::string plain = "stale";
    if (tarvo::tarvoDecrypt(text.get(), size, plain, tarvo::kCredentialKey) != 0 && !plain.empty())
        __builtin_trap();

    std::string decoded;
    if (tarvo::base64Decode(std::string_view(text.get(), size), decoded)
        && tarvo::base64Encode(decoded).size() != size)
        __builtin_trap();

    std::string stored;
    if (tarvo::tarvoEncrypt(text.get(), size, stored, tarvo::kCredentialKey) != 0)
        __builtin_trap();
    std::string back;
    if (tarvo::tarvoDecrypt(stored.data(), stored.size(), back, tarvo::kCredentialKey) != 0
        || back != std::string_view(text.get(), size))
        __builtin_trap();

    std::string_view input(text.get(), size);
    std::size_t half = size / 2;
    std::string header;
    (void)tarvo::AuthHeaderBuilder().build(std::string(input.substr(0, half)), std::string(input.substr(half)),
                                           header);
    (void)tarvo::AuthHeaderBuilder().build(stored, stored, header);
    return 0;
}
