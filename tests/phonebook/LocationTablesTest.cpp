#include "phonebook/RegionTable.h"

#include "fixtures/PopLine.h"
#include "fixtures/TempDir.h"
#include "phonebook/CityTable.h"
#include "phonebook/PopList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

using namespace tarvo;
using namespace tarvo::test;

namespace {

TEST(RegionTable, findGivesTheFirstEntryOfACode)
{
    TempDir dir;
    dir.write("region.txt", "# header\r\nUS,TX,Texas,Tex.\r\nCA,TX,Other,Oth.\r\nUS,MA,Massachusetts\r\n\r\n"
                            "US,MA,Massachusetts,Mass.,extra\r\n");
    RegionTable regions;
    ASSERT_TRUE(regions.load(dir.file("region.txt")));
    ASSERT_EQ(regions.size(), 3U);
    ASSERT_NE(regions.find("TX"), nullptr);
    EXPECT_EQ(regions.find("TX")->name, "Texas");
    EXPECT_EQ(regions.find("MA")->altName, "Mass.,extra") << "the fourth field holds the rest of the line";
    EXPECT_EQ(regions.find("tx"), nullptr);
    EXPECT_EQ(regions.find(""), nullptr);
    EXPECT_FALSE(regions.load(dir.file("missing.txt")));
    EXPECT_TRUE(regions.empty());
    EXPECT_EQ(regions.find("TX"), nullptr);
}

// The derived table must be what the insertion walk gives: each triple once,
// ascending byte by byte (bytes above 0x7F after ASCII), region alternative
// names from the first region of that code.
TEST(CityTable, derivedTableMatchesSortedDistinctTriples)
{
    TempDir dir;
    dir.write("region.txt", "US,R1,One,Alt1\r\nUS,R1,Again,AltLater\r\nDE,R2,Two,Alt2\r\n");
    RegionTable regions;
    ASSERT_TRUE(regions.load(dir.file("region.txt")));

    std::mt19937 rng(7);
    const std::array<std::string, 6> countries = {"US", "DE", "U", "USA", "", "\xC4T"};
    const std::array<std::string, 5> regionCodes = {"R1", "R2", "", "R10", "r1"};
    std::set<std::tuple<std::string, std::string, std::string>> expected;
    std::string book = "#VER 1\n";
    for (int i = 0; i < 6000; ++i) {
        std::string country = countries[rng() % countries.size()];
        std::string region = regionCodes[rng() % regionCodes.size()];
        std::string city = "C" + std::to_string(rng() % 700);
        if (i % 97 == 0)
            city = "Z\xFCrich";
        if (i % 101 == 0)
            city = "Zurich";
        expected.emplace(country, region, city);
        book += PopLine(country, region, city, "P" + std::to_string(i)).str() + "\n";
    }
    dir.write("pbook.txt", book);
    PopList pops;
    ASSERT_EQ(pops.loadFile(PopList::Mode::ClearFirst, dir.file("pbook.txt"), PopList::Source::Master), PopFileStatus::Read);

    CityTable cities;
    cities.loadOrBuild(dir.file("city.txt"), pops, regions);
    ASSERT_EQ(cities.size(), expected.size());
    std::string file;
    std::size_t i = 0;
    for (const auto& [country, region, city] : expected) {
        const CityEntry& entry = cities[i++];
        ASSERT_EQ(entry.country, country);
        ASSERT_EQ(entry.region, region);
        ASSERT_EQ(entry.city, city);
        std::string alt = region == "R1" ? "Alt1" : region == "R2" ? "Alt2" : "";
        ASSERT_EQ(entry.regionAltName, alt);
        file += country + "," + region + "," + city + "," + alt + "\r\n";
    }
    EXPECT_EQ(dir.read("city.txt"), file);

    // Read back, the written file gives the same table.
    CityTable again;
    again.loadOrBuild(dir.file("city.txt"), PopList(), regions);
    EXPECT_FALSE(again.derived());
    ASSERT_EQ(again.size(), cities.size());
    for (std::size_t k = 0; k < again.size(); ++k) {
        ASSERT_EQ(again[k].country, cities[k].country);
        ASSERT_EQ(again[k].city, cities[k].city);
        ASSERT_EQ(again[k].regionAltName, cities[k].regionAltName);
    }
}

// The hard case: a book with nearly one city per POP, in random order, many
// (country, region) pairs, and cities that agree in long prefixes, differ
// only past their eighth byte, carry bytes above 0x7F or control bytes, or
// are empty. The derived table and "city.txt" must be exactly those of a
// plain sort of the distinct triples, compared field by field.
TEST(CityTable, oneCityPerPopBookGivesTheTableOfAPlainSort)
{
    TempDir dir;
    std::string regionFile;
    for (int r = 0; r < 40; ++r)
        regionFile += "C" + std::to_string(r % 7) + ",R" + std::to_string(r) + ",Name,Alt" + std::to_string(r) + "\r\n";
    dir.write("region.txt", regionFile);
    RegionTable regions;
    ASSERT_TRUE(regions.load(dir.file("region.txt")));

    std::mt19937 rng(11);
    auto pick = [&rng](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
    // Fields whose concatenations tie or swap: ("A", "BC") against ("AB", "C").
    const std::array<std::string, 9> countries = {"A", "AB", "C1", "C2", "", "\xC4T", "a", "C10", "C1\x01"};
    const std::array<std::string, 8> prefixes = {"Saint-", "San ", "Sankt ", "", "\xDC", "Zz", "\x7F", "Port "};
    std::vector<std::tuple<std::string, std::string, std::string>> triples;
    std::string book = "#VER 1\r\n";
    const int pops = 30000;
    for (int i = 0; i < pops; ++i) {
        std::string country = countries[pick(countries.size())];
        // Enough pairs that a pair's rank takes many bits of the sort key.
        std::string region = pick(5) == 0 ? "" : (pick(2) ? "R" : "BC") + std::to_string(pick(60));
        std::string city = prefixes[pick(prefixes.size())];
        switch (pick(4)) {
        case 0: city += "Lakeside" + std::to_string(i); break;            // differs past byte 8
        case 1: city += std::string(1, static_cast<char>(0x80 + pick(128))) + std::to_string(i); break;
        case 2: city += std::to_string(i % 997); break;                    // repeats elsewhere
        default: city += std::string(pick(3), 'x'); break;               // short, empty, repeats
        }
        triples.emplace_back(country, region, city);
        book += PopLine(country, region, city, "P" + std::to_string(i)).str() + "\r\n";
        // Now and then the next line repeats the location.
        if (pick(50) == 0)
            book += PopLine(country, region, city, "Q" + std::to_string(i)).str() + "\r\n";
    }
    dir.write("pbook.txt", book);
    PopList list;
    ASSERT_EQ(list.loadFile(PopList::Mode::ClearFirst, dir.file("pbook.txt"), PopList::Source::Master),
              PopFileStatus::Read);

    std::sort(triples.begin(), triples.end());
    triples.erase(std::unique(triples.begin(), triples.end()), triples.end());
    ASSERT_GT(triples.size(), static_cast<std::size_t>(pops) * 3 / 4) << "nearly one city per POP";
    std::string expected;
    for (const auto& [country, region, city] : triples) {
        std::string alt;
        for (const RegionEntry& entry : regions) {
            if (!region.empty() && entry.regionCode == region) {
                alt = entry.altName;
                break;
            }
        }
        expected += country + "," + region + "," + city + "," + alt + "\r\n";
    }

    CityTable cities;
    cities.loadOrBuild(dir.file("city.txt"), list, regions);
    ASSERT_TRUE(cities.derived());
    ASSERT_EQ(cities.size(), triples.size());
    for (std::size_t i = 0; i < triples.size(); ++i) {
        ASSERT_EQ(cities[i].country, std::get<0>(triples[i])) << i;
        ASSERT_EQ(cities[i].region, std::get<1>(triples[i])) << i;
        ASSERT_EQ(cities[i].city, std::get<2>(triples[i])) << i;
    }
    EXPECT_EQ(dir.read("city.txt"), expected);
}

TEST(CityTable, unwritableCacheIsNotReported)
{
    TempDir dir;
    RegionTable regions;
    dir.write("pbook.txt", "#VER 1\n" + PopLine("US", "", "Austin", "P1").str() + "\n");
    PopList pops;
    ASSERT_EQ(pops.loadFile(PopList::Mode::ClearFirst, dir.file("pbook.txt"), PopList::Source::Master), PopFileStatus::Read);
    CityTable cities;
    cities.loadOrBuild(dir.file("no/such/folder/city.txt"), pops, regions);
    ASSERT_EQ(cities.size(), 1U);
    EXPECT_EQ(cities[0].city, "Austin");
}

} // namespace
