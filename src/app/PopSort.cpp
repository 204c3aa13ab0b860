#include "app/PopSort.h"

#include "app/PopSortKeys.h"
#include "phonebook/PopRecord.h"
#include "support/Tokenizer.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace tarvo {

namespace {

int sign(int value)
{
    return (value > 0) - (value < 0);
}

int compareBytes(std::string_view a, std::string_view b)
{
    return sign(a.compare(b));
}

int compareNumbers(const PopRecord& a, const PopRecord& b, const PopSort& sort)
{
    int d = sort.factor(SortColumn::Number);
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

    int d = sort.factor(SortColumn::City);
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

} // namespace

void sortPops(std::vector<PopRecord*>& rows, const PopSort& sort, int allCitySign, int popSortOrder)
{
    // The keys place customer and all-city rows by the signs of these two;
    // a zero (which neither the profile nor the country table gives) leaves
    // rows unordered that the keys would order.
    if (allCitySign == 0 || popSortOrder == 0) {
        std::stable_sort(rows.begin(), rows.end(), [&](const PopRecord* a, const PopRecord* b) {
            return comparePops(*a, *b, sort, allCitySign, popSortOrder) < 0;
        });
        return;
    }
    PopSortKeys::sort(rows, sort, allCitySign, popSortOrder);
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
