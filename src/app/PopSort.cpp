#include "app/PopSort.h"

#include "phonebook/PopRecord.h"
#include "support/Tokenizer.h"

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

} // namespace

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
