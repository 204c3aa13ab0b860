#include "support/TarvoCipher.h"

#include "config/AuthHeaderBuilder.h"
#include "support/Base64.h"

#include <gtest/gtest.h>

#include <string>

using namespace tarvo;

namespace {

std::string encipher(std::string_view plain, std::string_view key = kCredentialKey)
{
    std::string out;
    EXPECT_EQ(tarvoEncrypt(plain.data(), plain.size(), out, key), 0);
    return out;
}

int decipher(std::string_view stored, std::string& plain, std::string_view key = kCredentialKey)
{
    plain = "stale";
    return tarvoDecrypt(stored.data(), stored.size(), plain, key);
}

} // namespace

TEST(Base64, encodesWithPadding)
{
    // RFC 4648 test vectors.
    const std::pair<std::string_view, std::string_view> vectors[] = {
        {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
    };
    for (auto [plain, coded] : vectors) {
        std::string out = "stale";
        EXPECT_EQ(base64Encode(plain.data(), plain.size(), out), coded.size());
        EXPECT_EQ(out, coded);
        std::string back;
        EXPECT_TRUE(base64Decode(coded, back));
        EXPECT_EQ(back, plain);
    }
    std::string binary("\0\xFF\xFE:", 4);
    EXPECT_EQ(base64Encode(binary), "AP/+Og==");
}

TEST(Base64, decodingRefusesAnythingButWholeGroups)
{
    std::string out = "stale";
    for (std::string_view bad : {"Zg=", "Zg", "Zm9v\n", " Zm9v", "Zm9v====", "Z===", "Zg=a", "Zm!v", "=Zm9"}) {
        EXPECT_FALSE(base64Decode(bad, out)) << bad;
        EXPECT_TRUE(out.empty()) << bad;
    }
}

TEST(TarvoCipher, roundTripsAnyText)
{
    for (std::string_view plain : {std::string_view(""), std::string_view("alice"),
                                   std::string_view("p\xE4ss;w=rd \"quoted\""), std::string_view("a\0b", 3)}) {
        std::string stored = encipher(plain);
        EXPECT_EQ(stored.size(), tarvoEncryptedLength(plain.size()));
        std::string back;
        EXPECT_EQ(decipher(stored, back), 0);
        EXPECT_EQ(back, plain);
    }
    std::string big(5000, 'x');
    std::string back;
    EXPECT_EQ(decipher(encipher(big), back), 0);
    EXPECT_EQ(back, big);
}

TEST(TarvoCipher, storedFormIsOneSafeSettingsLine)
{
    std::string stored = encipher("user name; with = and \"quotes\"\r\n");
    EXPECT_EQ(stored.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/="),
              std::string::npos);
    EXPECT_NE(stored.front(), '=');
    // A fresh nonce every time: equal plain texts do not give equal stored forms.
    EXPECT_NE(encipher("same"), encipher("same"));
    // Plain texts up to 164 bytes fit the 259 characters a settings value keeps.
    EXPECT_LE(tarvoEncryptedLength(164), 259U);
    EXPECT_GT(tarvoEncryptedLength(165), 259U);
}

TEST(TarvoCipher, wrongKeyOrAlteredTextFailsCleanly)
{
    std::string stored = encipher("secret");
    std::string plain;
    EXPECT_EQ(decipher(stored, plain, "0123456789abcdef"), -1);
    EXPECT_TRUE(plain.empty());

    std::string flipped = stored;
    flipped[20] = flipped[20] == 'A' ? 'B' : 'A';
    EXPECT_EQ(decipher(flipped, plain), -1);
    EXPECT_TRUE(plain.empty());

    // Cut as a too-short settings buffer would cut it.
    EXPECT_EQ(decipher(std::string_view(stored).substr(0, stored.size() - 4), plain), -1);
    EXPECT_EQ(decipher(stored + "AAAA", plain), -1);
    EXPECT_EQ(decipher("", plain), -1);
    EXPECT_EQ(decipher("plaintext", plain), -1);
    EXPECT_EQ(decipher(base64Encode(std::string(27, 'x')), plain), -1); // shorter than nonce and tag
    EXPECT_TRUE(plain.empty());
}

TEST(TarvoCipher, readsOnlyTheGivenLengthAndNeedsA16ByteKey)
{
    std::string stored = encipher("bob");
    std::string padded = stored + "trailing junk";
    std::string plain;
    EXPECT_EQ(tarvoDecrypt(padded.data(), stored.size(), plain, kCredentialKey), 0);
    EXPECT_EQ(plain, "bob");

    std::string out = "stale";
    EXPECT_EQ(tarvoEncrypt("x", 1, out, "short key"), -1);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(tarvoDecrypt(stored.data(), stored.size(), out, std::string(kCredentialKey) + "!"), -1);
    EXPECT_EQ(tarvoDecrypt(nullptr, 0, out, kCredentialKey), -1);
    EXPECT_EQ(tarvoDecrypt(nullptr, 10, out, kCredentialKey), -1);
}
