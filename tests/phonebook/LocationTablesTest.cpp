#include "phonebook/RegionTable.h"

#include "fixtures/PopLine.h"
#include "fixtures/TempDir.h"
#include "phonebook/CityTable.h"
#include "phonebook/PopList.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

using namespace tarvo;
using tarvo::test::PopLine;
using tarvo::test::TempDir;

namespace {

TEST(RegionTable, findGivesTheFirstEntryOfACode)
{
    TempDir dir;
    dir.write("region.txt", "# header\r\nUS,TX,Texas,Tex.\r\nCA,TX,Other,Oth.\r\nUS,MA,Massachusetts\r\n\r\n"
                            "US,MA,Massachusetts,Mass.,extra\r\n");
    RegionTable regions;
    ASSERT_TRUE(regions.Load(dir.file("region.txt")));
    ASSERT_EQ(regions.size(), 3U);
    ASSERT_NE(regions.Find("TX"), nullptr);
    EXPECT_EQ(regions.Find("TX")->name, "Texas");
    EXPECT_EQ(regions.Find("MA")->altName, "Mass.,extra") << "the fourth field holds the rest of the line";
    EXPECT_EQ(regions.Find("tx"), nullptr);
    EXPECT_EQ(regions.Find(""), nullptr);
    EXPECT_FALSE(regions.Load(dir.file("missing.txt")));
    EXPECT_TRUE(regions.empty());
    EXPECT_EQ(regions.Find("TX"), nullptr);
}

// The derived table must be what the insertion walk gives: each triple once,
// ascending byte by byte (bytes above 0x7F after ASCII), region alternative
// names from the first region of that code.
TEST(CityTable, derivedTableMatchesSortedDistinctTriples)
{
    TempDir dir;
    dir.write("region.txt", "US,R1,One,Alt1\r\nUS,R1,Again,AltLater\r\nDE,R2,Two,Alt2\r\n");
    RegionTable regions;
    ASSERT_TRUE(regions.Load(dir.file("region.txt")));

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
    ASSERT_EQ(pops.LoadFile(PopList::Mode::ClearFirst, dir.file("pbook.txt"), PopList::Source::Master), PopFileStatus::Read);

    CityTable cities;
    cities.LoadOrBuild(dir.file("city.txt"), pops, regions);
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
    again.LoadOrBuild(dir.file("city.txt"), PopList(), regions);
    EXPECT_FALSE(again.derived());
    ASSERT_EQ(again.size(), cities.size());
    for (std::size_t k = 0; k < again.size(); ++k) {
        ASSERT_EQ(again[k].country, cities[k].country);
        ASSERT_EQ(again[k].city, cities[k].city);
        ASSERT_EQ(again[k].regionAltName, cities[k].regionAltName);
    }
}

TEST(CityTable, unwritableCacheIsNotReported)
{
    TempDir dir;
    RegionTable regions;
    dir.write("pbook.txt", "#VER 1\n" + PopLine("US", "", "Austin", "P1").str() + "\n");
    PopList pops;
    ASSERT_EQ(pops.LoadFile(PopList::Mode::ClearFirst, dir.file("pbook.txt"), PopList::Source::Master), PopFileStatus::Read);
    CityTable cities;
    cities.LoadOrBuild(dir.file("no/such/folder/city.txt"), pops, regions);
    ASSERT_EQ(cities.size(), 1U);
    EXPECT_EQ(cities[0].city, "Austin");
}

} // namespace
