#include "app/PopSort.h"

#include "phonebook/PopRecord.h"
#include "support/Tokenizer.h"

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
    int d = sort.column == 1 ? sort.direction : 1;
    int areaA = ToInt32(a.areaCode());
    int areaB = ToInt32(b.areaCode());
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

    int d = sort.column == 0 ? sort.direction : 1;
    if (int byCity = compareBytes(a.city(), b.city()); byCity != 0)
        return byCity * d;

    bool customerA = a.fromMaster() == 0;
    bool customerB = b.fromMaster() == 0;
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

int ComparePops(const PopRecord& a, const PopRecord& b, const PopSort& sort, int allCitySign, int popSortOrder)
{
    switch (sort.column) {
    case 0:
        return compareCities(a, b, sort, allCitySign, popSortOrder);
    case 1:
        return compareNumbers(a, b, sort);
    default:
        return 0;
    }
}

} // namespace tarvo
