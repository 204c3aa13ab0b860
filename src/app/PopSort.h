#pragma once

namespace tarvo {

class PopRecord;

// A list's sort: column 0 (City) or 1 (Number), direction +1 or -1.
struct PopSort {
    int column = 0;
    int direction = 1;

    // A header click: the same column flips the direction, another column
    // sorts ascending by it.
    void click(int clickedColumn)
    {
        direction = clickedColumn == column ? -direction : 1;
        column = clickedColumn;
    }
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
int ComparePops(const PopRecord& a, const PopRecord& b, const PopSort& sort, int allCitySign, int popSortOrder);

} // namespace tarvo
