#pragma once

#include <vector>

namespace tarvo {

class PopRecord;

// The columns a list sorts by, in their header order.
enum class SortColumn { City = 0, Number = 1 };
enum class SortDirection { Ascending, Descending };

// A list's sort: a column and a direction, ascending by City at first.
struct PopSort {
    SortColumn column = SortColumn::City;
    SortDirection direction = SortDirection::Ascending;

    // +1 or -1: the factor a comparison by `by` takes from the sort. Only
    // the sorted column follows the direction; the other one always ascends.
    [[nodiscard]] int factor(SortColumn by) const
    {
        return column == by && direction == SortDirection::Descending ? -1 : 1;
    }

    // A header click: the same column flips the direction, another column
    // sorts ascending by it.
    void click(SortColumn clicked)
    {
        direction = clicked == column && direction == SortDirection::Ascending ? SortDirection::Descending
                                                                               : SortDirection::Ascending;
        column = clicked;
    }

    friend bool operator==(const PopSort&, const PopSort&) = default;
};

// The list comparison: negative when `a` comes first. `allCitySign` is the
// chosen country's all-city ordering (1 until a country is chosen) and places
// POPs that serve the whole country before or after the others whatever the
// direction; `popSortOrder` (-1 first, +1 last) places customer POPs among
// those of the same city.
//
// Two rows with the same area code and number compare equal, so a stable
// sort keeps them in list order; answering "greater" both ways, as a literal
// reading of the rule would, is no order at all and lets a sort misbehave.
int comparePops(const PopRecord& a, const PopRecord& b, const PopSort& sort, int allCitySign, int popSortOrder);

// Sorts a list stably in the order of `comparePops`, with the same result:
// by keys made once per row (see PopSortKeys), so a list of hundreds of
// thousands of rows does not chase every record's text for every
// comparison.
void sortPops(std::vector<PopRecord*>& rows, const PopSort& sort, int allCitySign, int popSortOrder);

} // namespace tarvo
