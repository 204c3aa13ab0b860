#include "dialing/CountryQuery.h"

#include "fixtures/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace tarvo;
using namespace tarvo::test;

namespace {

const std::string kShippedList = std::string(TARVO_SOURCE_DIR) + "/data/telephony-countries.csv";

std::uint32_t get32(const std::vector<std::byte>& buffer, std::size_t at)
{
    std::uint32_t value = 0;
    std::memcpy(&value, buffer.data() + at, 4);
    return value;
}

void put32(std::vector<std::byte>& buffer, std::size_t at, std::uint32_t value)
{
    std::memcpy(buffer.data() + at, &value, 4);
}

// A buffer as a caller prepares it: dwTotalSize set, the rest filled with a
// marker so untouched bytes can be seen.
std::vector<std::byte> callerBuffer(std::size_t size, std::uint32_t totalSize)
{
    std::vector<std::byte> buffer(size, std::byte{0xAB});
    put32(buffer, 0, totalSize);
    return buffer;
}

std::string textAt(const std::vector<std::byte>& buffer, std::size_t entryAt, std::size_t pairAt)
{
    std::uint32_t size = get32(buffer, entryAt + pairAt);
    std::uint32_t offset = get32(buffer, entryAt + pairAt + 4);
    EXPECT_LE(std::size_t{offset} + size, buffer.size());
    EXPECT_GE(size, 1U);
    EXPECT_EQ(buffer[offset + size - 1], std::byte{0}) << "texts are NUL-terminated";
    return std::string(reinterpret_cast<const char*>(buffer.data()) + offset, size - 1);
}

class DialingCountryList : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir.write("list.csv", "id,calling_code,name,same_area_rule,long_distance_rule,international_rule,next_id\n"
                                "1,1,\"United States of America\",\"G\",\" 1FG\",\"011EFG\",34\r\n"
                                "34,34,\"Spain\",\"IG\",\"IG\",\"00,EFG\",44\n"
                                "# a comment\n"
                                "x44,44,\"Bad id\",\"G\",\"0FG\",\"00EFG\",0\n"
                                "44,44,\"United Kingdom\",\"G\",\"0FG\",\"00EFG\",0,extra\n"
                                "44,44,\"United Kingdom\",\"G\",\"0FG\",\"00EFG\",0\n");
    }

    TempDir m_dir;
};

} // namespace

TEST_F(DialingCountryList, answerLayoutHeaderEntriesThenTexts)
{
    CountryQuery query(m_dir.file("list.csv"));
    auto buffer = callerBuffer(1000, 1000);
    ASSERT_EQ(query.lineGetCountry(34, 0x00010004, buffer), 0);

    // Header, one entry of 44 bytes, then "Spain" "IG" "IG" "00,EFG" with NULs.
    const std::uint32_t needed = 24 + 44 + 6 + 3 + 3 + 7;
    EXPECT_EQ(get32(buffer, 0), 1000U);
    EXPECT_EQ(get32(buffer, 4), needed);
    EXPECT_EQ(get32(buffer, 8), needed);
    EXPECT_EQ(get32(buffer, 12), 1U);
    EXPECT_EQ(get32(buffer, 16), 44U);
    EXPECT_EQ(get32(buffer, 20), 24U);
    EXPECT_EQ(get32(buffer, 24), 34U);
    EXPECT_EQ(get32(buffer, 28), 34U);
    EXPECT_EQ(get32(buffer, 32), 44U) << "next country id";
    EXPECT_EQ(textAt(buffer, 24, 12), "Spain");
    EXPECT_EQ(textAt(buffer, 24, 20), "IG");
    EXPECT_EQ(textAt(buffer, 24, 28), "IG");
    EXPECT_EQ(textAt(buffer, 24, 36), "00,EFG");
    EXPECT_EQ(get32(buffer, 24 + 12 + 4), 24U + 44U) << "texts start right after the entries";
    EXPECT_EQ(buffer[needed], std::byte{0xAB}) << "nothing written past the used size";
}

TEST_F(DialingCountryList, zeroListsEveryCountryInFileOrderAndBadLinesAreSkipped)
{
    CountryQuery query(m_dir.file("list.csv"));
    auto buffer = callerBuffer(1000, 1000);
    ASSERT_EQ(query.lineGetCountryA(0, 0x00020000, buffer), 0);
    ASSERT_EQ(get32(buffer, 12), 3U);
    EXPECT_EQ(get32(buffer, 16), 3U * 44U);
    std::vector<std::uint32_t> ids;
    for (std::size_t i = 0; i < 3; ++i)
        ids.push_back(get32(buffer, 24 + i * 44));
    EXPECT_EQ(ids, (std::vector<std::uint32_t>{1, 34, 44}));
    EXPECT_EQ(textAt(buffer, 24, 28), " 1FG") << "leading blank kept, CR LF not in the last field";
    EXPECT_EQ(get32(buffer, 24 + 8), 34U);
}

TEST_F(DialingCountryList, tooSmallBufferGetsOnlyTheHeaderWithTheNeededSize)
{
    CountryQuery query(m_dir.file("list.csv"));
    const std::uint32_t needed = 24 + 44 + 6 + 3 + 3 + 7;
    auto buffer = callerBuffer(200, needed - 1);
    ASSERT_EQ(query.lineGetCountry(34, 0x00010004, buffer), 0);
    EXPECT_EQ(get32(buffer, 0), needed - 1);
    EXPECT_EQ(get32(buffer, 4), needed);
    EXPECT_EQ(get32(buffer, 8), 24U);
    EXPECT_EQ(get32(buffer, 12), 0U);
    EXPECT_EQ(buffer[24], std::byte{0xAB}) << "no entry written";

    // Exactly the needed size fits.
    buffer = callerBuffer(200, needed);
    ASSERT_EQ(query.lineGetCountry(34, 0x00010004, buffer), 0);
    EXPECT_EQ(get32(buffer, 8), needed);
    EXPECT_EQ(buffer[needed], std::byte{0xAB});

    EXPECT_FALSE(query.query(34, 0x00010004, needed - 1));
    std::optional<TelephonyCountry> spain = query.query(34, 0x00010004, needed);
    ASSERT_TRUE(spain);
    // The answer reads back as the list's own entry.
    EXPECT_EQ(spain->countryId, 34U);
    EXPECT_EQ(spain->countryCode, 34U);
    EXPECT_EQ(spain->name, "Spain");
    EXPECT_EQ(spain->internationalRule, "00,EFG");
    EXPECT_EQ(spain->nextCountryId, 44U);
}

TEST_F(DialingCountryList, badSizesAndUnknownCountriesAreRefused)
{
    CountryQuery query(m_dir.file("list.csv"));
    auto small = callerBuffer(100, 23);
    EXPECT_EQ(query.lineGetCountry(1, 0x00010004, small), CountryQuery::kStructureTooSmall);
    auto lying = callerBuffer(100, 101);
    EXPECT_EQ(query.lineGetCountry(1, 0x00010004, lying), CountryQuery::kInvalidPointer);
    for (std::size_t i = 4; i < lying.size(); ++i)
        ASSERT_EQ(lying[i], std::byte{0xAB}) << "a refused call writes nothing";
    auto buffer = callerBuffer(1000, 1000);
    EXPECT_EQ(query.lineGetCountry(2, 0x00010004, buffer), CountryQuery::kBadCountryId);
    EXPECT_EQ(query.lineGetCountry(65580, 0x00010004, buffer), CountryQuery::kBadCountryId);
    EXPECT_FALSE(query.query(2, 0x00010004, 1000));
    EXPECT_FALSE(query.query(1, 0x00010004, 10));
}

TEST(DialingCountryQuery, missingFileIsUnavailableForTheWholeRun)
{
    TempDir dir;
    CountryQuery query(dir.file("later.csv"));
    auto buffer = callerBuffer(1000, 1000);
    EXPECT_EQ(query.lineGetCountry(1, 0x00010004, buffer), CountryQuery::kUnavailable);
    EXPECT_FALSE(query.available());
    // The file appearing afterwards changes nothing: the failure is remembered.
    dir.write("later.csv", "1,1,\"USA\",\"G\",\" 1FG\",\"011EFG\",0\n");
    EXPECT_EQ(query.lineGetCountryA(1, 0x00020000, buffer), CountryQuery::kUnavailable);
    EXPECT_EQ(query.lineGetCountry(0, 0x00010004, buffer), CountryQuery::kUnavailable);
    EXPECT_FALSE(query.query(1, 0x00010004, 1000));
    EXPECT_EQ(get32(buffer, 4), 0xABABABABU) << "nothing written when unavailable";

    CountryQuery fresh(dir.file("later.csv"));
    EXPECT_TRUE(fresh.query(1, 0x00010004, 1000));
}

TEST(DialingCountryQuery, aNamedListIsTheOnlyOneReadAndTheSourceCopyIsTheFallback)
{
    TempDir dir;
    dir.write("env.csv", "7,7,\"Russia\",\"G\",\"8FG\",\"8W10EFG\",0\n");
    {
        CountryQuery query(dir.file("env.csv"));
        EXPECT_EQ(query.dataFile(), dir.file("env.csv"));
        ASSERT_TRUE(query.query(7, 0x00010004, 1000));
        EXPECT_FALSE(query.query(1, 0x00010004, 1000)) << "only the named list is read";
    }
    {
        CountryQuery query(dir.file("none.csv"));
        auto buffer = callerBuffer(100, 100);
        EXPECT_EQ(query.lineGetCountry(1, 0x00010004, buffer), CountryQuery::kUnavailable);
    }
    {
        CountryQuery query;
        auto info = query.query(1, 0x00010004, 1000);
        ASSERT_TRUE(info) << query.dataFile();
        EXPECT_EQ(info->name, "United States of America");
    }
}

TEST(DialingCountryQuery, shippedListHoldsAllCountriesWithExactRules)
{
    CountryQuery query(kShippedList);
    std::vector<std::byte> buffer = callerBuffer(64 * 1024, 64 * 1024);
    ASSERT_EQ(query.lineGetCountry(0, 0x00010004, buffer), 0);
    ASSERT_LE(get32(buffer, 4), get32(buffer, 0));
    ASSERT_EQ(get32(buffer, 12), 240U);
    EXPECT_EQ(get32(buffer, 24), 1U) << "the list starts with the United States";

    struct Expected {
        std::uint32_t id;
        std::uint32_t code;
        const char* name;
        const char* sameArea;
        const char* longDistance;
        const char* international;
    };
    const Expected expected[] = {
        {1, 1, "United States of America", "G", " 1FG", "011EFG"},
        {34, 34, "Spain", "IG", "IG", "00,EFG"},
        {44, 44, "United Kingdom", "G", "0FG", "00EFG"},
        {61, 61, "Australia", "G", " 0FG", "0011EFG"},
        {508, 508, "St. Pierre and Miquelon", "G", "", "00,EFG"},
        {995, 995, "Georgia", "G", " 8WFG", "8W10EFG"},
        {998, 998, "Uzbekistan", "G", " 8WFG", "8W10EFG"},
    };
    for (const Expected& e : expected) {
        auto info = query.query(e.id, 0x00010004, 1000);
        ASSERT_TRUE(info) << e.id;
        EXPECT_EQ(info->countryId, e.id);
        EXPECT_EQ(info->countryCode, e.code);
        EXPECT_EQ(info->name, e.name);
        EXPECT_EQ(info->sameAreaRule, e.sameArea);
        EXPECT_EQ(info->longDistanceRule, e.longDistance);
        EXPECT_EQ(info->internationalRule, e.international);
    }
}

TEST(DialingCountryQuery, readBackNeverLeavesTheBuffer)
{
    TempDir dir;
    dir.write("list.csv", "44,44,\"United Kingdom\",\"G\",\"0FG\",\"00EFG\",0\n");
    CountryQuery query(dir.file("list.csv"));
    auto good = callerBuffer(200, 200);
    ASSERT_EQ(query.lineGetCountry(44, 0x00010004, good), 0);
    ASSERT_TRUE(CountryQuery::readFirstEntry(good));

    auto corrupt = [&](std::size_t at, std::uint32_t value) {
        auto copy = good;
        put32(copy, at, value);
        return CountryQuery::readFirstEntry(copy);
    };
    EXPECT_FALSE(corrupt(20, 200 - 43)) << "entry running past the end";
    EXPECT_FALSE(corrupt(20, 0xFFFFFFF0U)) << "offset wrapping around";
    EXPECT_FALSE(corrupt(12, 0)) << "no entry";
    EXPECT_FALSE(corrupt(4, 201)) << "needed above total";
    EXPECT_FALSE(corrupt(24 + 16, 199)) << "name offset past the end";
    EXPECT_FALSE(corrupt(24 + 12, 0xFFFFFFFFU)) << "name size wrapping around";
    EXPECT_FALSE(corrupt(24 + 36, 200)) << "international rule size too large";
    // A total size above the real buffer does not widen the readable range.
    auto stretched = good;
    put32(stretched, 0, 0x7FFFFFFF);
    put32(stretched, 24 + 16, 250);
    EXPECT_FALSE(CountryQuery::readFirstEntry(stretched));
    // A text without its NUL ends at its size.
    auto unterminated = good;
    std::uint32_t nameAt = get32(good, 24 + 16);
    put32(unterminated, 24 + 12, 3);
    auto info = CountryQuery::readFirstEntry(unterminated);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->name, "Uni");
    EXPECT_EQ(nameAt, 24U + 44U);
    EXPECT_FALSE(CountryQuery::readFirstEntry(std::vector<std::byte>(23)));
}

TEST(CountryQueryFromTheDesktop, askedFirstTheDesktopsListOrElseTheShippedOneAnswers)
{
    // Linux has no telephony library, so the shipped list answers; on
    // Windows TAPI32 does, and the shipped list whatever TAPI gets wrong.
    CountryQuery query(kShippedList, true);
    std::optional<TelephonyCountry> germany = query.query(49, 0x00020000, 512, true);
    ASSERT_TRUE(germany);
    EXPECT_EQ(germany->countryCode, 49U);
    EXPECT_EQ(germany->internationalRule, "00EFG");
    std::optional<TelephonyCountry> first = query.query(0, 0x00010004, 100000);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->countryId, 1U);
    EXPECT_EQ(first->countryCode, 1U);
    EXPECT_FALSE(first->name.empty());
}

TEST(CountryQueryFromTheDesktop, anAnswerThatDoesNotHoldTogetherIsNoAnswer)
{
    CountryQuery shipped(kShippedList);
    std::vector<std::byte> good = callerBuffer(512, 512);
    ASSERT_EQ(shipped.lineGetCountryA(49, 0x00020000, good), 0);
    EXPECT_TRUE(CountryQuery::wellFormed(good));

    // Used beyond what it needs, as one system's list for a single country
    // comes back.
    std::vector<std::byte> overUsed = good;
    put32(overUsed, 8, get32(good, 4) + 24);
    EXPECT_FALSE(CountryQuery::wellFormed(overUsed));
    // A text inside the entries, or past the part used.
    std::vector<std::byte> intoEntries = good;
    put32(intoEntries, 24 + 16, 24 + 20);
    EXPECT_FALSE(CountryQuery::wellFormed(intoEntries));
    std::vector<std::byte> pastUsed = good;
    put32(pastUsed, 24 + 28, 1177550852);
    EXPECT_FALSE(CountryQuery::wellFormed(pastUsed));
    // Too small a buffer: the header alone says what to ask for.
    std::vector<std::byte> small = callerBuffer(64, 64);
    ASSERT_EQ(shipped.lineGetCountryA(49, 0x00020000, small), 0);
    EXPECT_TRUE(CountryQuery::wellFormed(small));
}
