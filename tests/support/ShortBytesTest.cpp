#include "support/ShortBytes.h"

#include <gtest/gtest.h>

#include <string>

using namespace tarvo;

TEST(ShortBytes, everyLengthIsCopiedWholeAndATopBitAnywhereIsSeen)
{
    // The helpers load overlapping words: each length and each position of
    // a non-ASCII byte goes through another of their paths. The text sits
    // inside a larger buffer whose bytes around it must stay untouched.
    for (std::size_t size = 0; size <= 40; ++size) {
        std::string source(size + 16, '\x80');
        for (std::size_t i = 0; i < size; ++i)
            source[8 + i] = static_cast<char>('a' + i % 26);
        const std::string_view text(source.data() + 8, size);
        EXPECT_TRUE(isAscii(text)) << size;

        std::string target(size + 16, '#');
        copyShort(target.data() + 8, text.data(), size);
        EXPECT_EQ(target, std::string(8, '#') + std::string(text) + std::string(8, '#')) << size;

        for (std::size_t at = 0; at < size; ++at) {
            for (char high : {'\x80', '\xFF', '\xC9'}) {
                std::string changed = source;
                changed[8 + at] = high;
                EXPECT_FALSE(isAscii(std::string_view(changed.data() + 8, size))) << size << " at " << at;
            }
        }
    }
}
