#pragma once

#include "app/PopSort.h"

#include <vector>

namespace tarvo {

class PopRecord;

// Sorting a long list by keys made once per row. The list comparison
// (`comparePops`) reads each record's city, flags, area code and number in
// place, which for a big country's list means chasing two records' text
// through memory at every one of millions of comparisons. Here each row gets
// a key of four unsigned words, already in the order the sort asks for (the
// all-city flag, the city's rank among the list's distinct cities, the
// customer flag, the sort order, the area code and the first sixteen bytes
// of the number), so nearly every comparison is settled by a few integer
// compares; only rows equal in all four words look at their records. A big
// list makes and sorts the keys of its two halves on two processors, in a
// block offered for huge pages, and merges them.
//
// Measured on the realistic 1M book, the 408,000 rows of its largest
// country in pbook.txt sorted by city (median of 5, two processors): a
// stable sort with the comparison in place 415 ms, the packed keys 35 ms.
class PopSortKeys final {
public:
    // Sorts `rows` stably in the order of `comparePops`, with the same
    // result. `allCitySign` and `popSortOrder` must not be 0: the keys place
    // all-city and customer rows by their signs.
    static void sort(std::vector<PopRecord*>& rows, const PopSort& sort, int allCitySign, int popSortOrder);
};

} // namespace tarvo
