#include "app/PopSort.h"

#include "fixtures/PopLine.h"
#include "fixtures/TempDir.h"
#include "phonebook/PopList.h"
#include "phonebook/PopRecord.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

using namespace tarvo;
using namespace tarvo::test;

namespace {

// Cities and numbers that share long prefixes, are prefixes of each other,
// or differ only past the eighth (or the sixteenth) byte; many cities seen
// once; area codes that are not all digits or are negative; sort orders
// below zero and beyond two bytes.
std::string randomLine(std::mt19937& rng, int index)
{
    static const char* const kCities[] = {"Austin", "Austinville", "Austin Central", "Aus", "austin", "",
                                          "San Jose", "San Josefina", "Zz", "\xC9vry", "Los Angeles West",
                                          "Los Angeles East"};
    static const char* const kAreas[] = {"408", "0408", "", "12a", "99999", "7", "408 ", "-5", "2147483647"};
    static const char* const kNumbers[] = {"5550100", "55501001", "5550100100", "555", "", "5550100099",
                                           "5550100098", "18005550100203040", "18005550100203041",
                                           "180055501002030", "1800555010020304"};
    static const char* const kSortOrders[] = {"0", "1", "2", "-3", "70000"};
    auto pick = [&rng](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
    std::string city = pick(4) == 0 ? "Town " + std::to_string(rng() % 1000) : kCities[pick(std::size(kCities))];
    return PopLine("US", "TX", city, "P" + std::to_string(index))
        .set(PopColumn::AREA_CODE, kAreas[pick(std::size(kAreas))])
        .set(PopColumn::PHONE_NUMBER, kNumbers[pick(std::size(kNumbers))])
        .set(PopColumn::SORT_ORDER, kSortOrders[pick(std::size(kSortOrders))])
        .set(PopColumn::ALL_CITY, pick(4) == 0 ? "1" : "0")
        .str();
}

// The records of `pops` in a random order.
std::vector<PopRecord*> shuffledRows(PopList& pops, std::mt19937& rng)
{
    std::vector<PopRecord*> rows;
    for (PopRecord& pop : pops)
        rows.push_back(&pop);
    std::shuffle(rows.begin(), rows.end(), rng);
    return rows;
}

// `rows` in the order one stable sort with the comparison gives.
std::vector<PopRecord*> stablySorted(std::vector<PopRecord*> rows, const PopSort& sort, int allCitySign,
                                     int popSortOrder)
{
    std::stable_sort(rows.begin(), rows.end(), [&](const PopRecord* a, const PopRecord* b) {
        return comparePops(*a, *b, sort, allCitySign, popSortOrder) < 0;
    });
    return rows;
}

} // namespace

TEST(sortPops, ordersExactlyAsAStableSortWithTheComparison)
{
    std::mt19937 rng(11);
    TempDir dir;
    std::string master = "#VER 1\r\n";
    std::string customer = "#VER 1\r\n";
    for (int i = 0; i < 1500; ++i)
        (i % 5 == 0 ? customer : master) += randomLine(rng, i) + "\r\n";
    dir.write("pbook.txt", master);
    dir.write("cbook.txt", customer);
    PopList pops;
    ASSERT_EQ(pops.loadFile(PopList::Mode::ClearFirst, dir.file("pbook.txt"), PopList::Source::Master),
              PopFileStatus::Read);
    ASSERT_EQ(pops.loadFile(PopList::Mode::Append, dir.file("cbook.txt"), PopList::Source::Customer),
              PopFileStatus::Read);
    const std::vector<PopRecord*> rows = shuffledRows(pops, rng);

    for (SortColumn column : {SortColumn::City, SortColumn::Number})
        for (SortDirection direction : {SortDirection::Ascending, SortDirection::Descending})
            for (int allCitySign : {1, -1, 3, -7})
                for (int popSortOrder : {1, -1}) {
                    const PopSort sort{column, direction};
                    std::vector<PopRecord*> sorted = rows;
                    sortPops(sorted, sort, allCitySign, popSortOrder);
                    EXPECT_EQ(sorted, stablySorted(rows, sort, allCitySign, popSortOrder)) << "column " << static_cast<int>(column) << " direction "
                                                << static_cast<int>(direction) << " all-city "
                                                << allCitySign << " customers " << popSortOrder;
                }
}

TEST(LargeListSort, aListSortedOnTwoProcessorsIsInTheOrderOfOneStableSort)
{
    // Enough rows to be sorted in two halves; repeated numbers make equal
    // rows whose order only stability decides.
    std::mt19937 rng(5);
    TempDir dir;
    std::string master = "#VER 1\r\n";
    for (int i = 0; i < 70000; ++i)
        master += randomLine(rng, i) + "\r\n";
    dir.write("pbook.txt", master);
    PopList pops;
    ASSERT_EQ(pops.loadFile(PopList::Mode::ClearFirst, dir.file("pbook.txt"), PopList::Source::Master),
              PopFileStatus::Read);
    const std::vector<PopRecord*> rows = shuffledRows(pops, rng);
    for (const PopSort sort : {PopSort{SortColumn::City, SortDirection::Descending},
                               PopSort{SortColumn::Number, SortDirection::Ascending}}) {
        std::vector<PopRecord*> sorted = rows;
        sortPops(sorted, sort, -1, 1);
        EXPECT_EQ(sorted, stablySorted(rows, sort, -1, 1)) << "column " << static_cast<int>(sort.column);
    }
}
