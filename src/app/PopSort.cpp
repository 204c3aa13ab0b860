#include "app/PopSort.h"

#include "phonebook/PopRecord.h"
#include "support/Tokenizer.h"

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <unordered_set>

namespace tarvo {

namespace {

int sign(int value)
{
    return (value > 0) - (value < 0);
}

// +1 or -1: the factor a comparison by `column` takes from the sort. Only
// the sorted column follows the direction; the other one always ascends.
int factor(const PopSort& sort, SortColumn column)
{
    return sort.column == column && sort.direction == SortDirection::Descending ? -1 : 1;
}

int compareBytes(std::string_view a, std::string_view b)
{
    return sign(a.compare(b));
}

int compareNumbers(const PopRecord& a, const PopRecord& b, const PopSort& sort)
{
    int d = factor(sort, SortColumn::Number);
    int areaA = toInt32(a.areaCode());
    int areaB = toInt32(b.areaCode());
    if (areaA != areaB)
        return areaA < areaB ? -d : d;
    return compareBytes(a.phoneNumber(), b.phoneNumber()) * d;
}

int compareCities(const PopRecord& a, const PopRecord& b, const PopSort& sort, int allCitySign, int popSortOrder)
{
    bool allA = a.allCity() != 0;
    bool allB = b.allCity() != 0;
    if (allA != allB)
        return allA ? allCitySign : -allCitySign;

    int d = factor(sort, SortColumn::City);
    if (int byCity = compareBytes(a.city(), b.city()); byCity != 0)
        return byCity * d;

    bool customerA = !a.fromMaster();
    bool customerB = !b.fromMaster();
    if (customerA && customerB)
        return 0;
    if (customerA)
        return popSortOrder * d;
    if (customerB)
        return -popSortOrder * d;
    if (a.sortOrder() != b.sortOrder())
        return a.sortOrder() < b.sortOrder() ? -d : d;
    return compareNumbers(a, b, sort);
}

// The first eight bytes from `from`, big-endian and padded with zero bytes:
// two texts whose prefixes differ compare byte-wise as their prefixes do (a
// shorter text that matches so far is the smaller one, as its padding is).
std::uint64_t prefixOf(std::string_view text, std::size_t from = 0)
{
    std::uint64_t prefix = 0;
    for (std::size_t i = from; i < from + 8; ++i)
        prefix = prefix << 8 | (i < text.size() ? static_cast<unsigned char>(text[i]) : 0U);
    return prefix;
}

// What the comparison looks at, made once per row. Cities are ranked among
// the list's own cities, so equal cities (the common case) cost nothing.
struct SortKey {
    std::uint32_t cityRank;
    std::int32_t sortOrder;
    std::int32_t area;
    bool allCity;
    bool customer;
    std::uint64_t number[2]; // the first 16 bytes of the phone number
    PopRecord* pop;
};

constexpr int kUndecided = 2;

int compareKeyNumbers(const SortKey& a, const SortKey& b, int d)
{
    if (a.area != b.area)
        return a.area < b.area ? -d : d;
    for (std::size_t i = 0; i < 2; ++i)
        if (a.number[i] != b.number[i])
            return a.number[i] < b.number[i] ? -d : d;
    return kUndecided; // the numbers are longer than the key
}

// `comparePops` on the keys, step by step; kUndecided when they cannot tell.
int compareKeys(const SortKey& a, const SortKey& b, const PopSort& sort, int allCitySign, int popSortOrder)
{
    if (sort.column == SortColumn::Number)
        return compareKeyNumbers(a, b, factor(sort, SortColumn::Number));
    if (a.allCity != b.allCity)
        return a.allCity ? allCitySign : -allCitySign;
    const int d = factor(sort, SortColumn::City);
    if (a.cityRank != b.cityRank)
        return a.cityRank < b.cityRank ? -d : d;
    if (a.customer && b.customer)
        return 0;
    if (a.customer)
        return popSortOrder * d;
    if (b.customer)
        return -popSortOrder * d;
    if (a.sortOrder != b.sortOrder)
        return a.sortOrder < b.sortOrder ? -d : d;
    return compareKeyNumbers(a, b, factor(sort, SortColumn::Number));
}

} // namespace

void sortPops(std::vector<PopRecord*>& rows, const PopSort& sort, int allCitySign, int popSortOrder)
{
    std::vector<std::string_view> cities;
    if (sort.column == SortColumn::City) {
        std::unordered_set<std::string_view> distinct;
        for (const PopRecord* pop : rows)
            distinct.insert(pop->city());
        cities.assign(distinct.begin(), distinct.end());
        std::sort(cities.begin(), cities.end());
    }
    std::vector<SortKey> keys;
    keys.reserve(rows.size());
    for (PopRecord* pop : rows) {
        SortKey key{};
        if (sort.column == SortColumn::City) {
            key.cityRank = static_cast<std::uint32_t>(std::lower_bound(cities.begin(), cities.end(), pop->city()) -
                                                      cities.begin());
            key.allCity = pop->allCity() != 0;
            key.customer = !pop->fromMaster();
            key.sortOrder = pop->sortOrder();
        }
        key.area = toInt32(pop->areaCode());
        key.number[0] = prefixOf(pop->phoneNumber());
        key.number[1] = prefixOf(pop->phoneNumber(), 8);
        key.pop = pop;
        keys.push_back(key);
    }
    std::stable_sort(keys.begin(), keys.end(), [&](const SortKey& a, const SortKey& b) {
        int result = compareKeys(a, b, sort, allCitySign, popSortOrder);
        if (result == kUndecided)
            result = comparePops(*a.pop, *b.pop, sort, allCitySign, popSortOrder);
        return result < 0;
    });
    for (std::size_t i = 0; i < keys.size(); ++i)
        rows[i] = keys[i].pop;
}

int comparePops(const PopRecord& a, const PopRecord& b, const PopSort& sort, int allCitySign, int popSortOrder)
{
    switch (sort.column) {
    case SortColumn::City:
        return compareCities(a, b, sort, allCitySign, popSortOrder);
    case SortColumn::Number:
        return compareNumbers(a, b, sort);
    }
    return 0;
}

} // namespace tarvo
