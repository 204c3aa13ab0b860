#include "app/ChoiceSearch.h"

#include <gtest/gtest.h>

using tarvo::ChoiceSearch;

TEST(ChoiceSearch, equalThenBeginningThenContainingIgnoringCase)
{
    const std::vector<std::u16string> countries = {u"Central African Republic", u"Canada", u"\u00C9gypte",
                                                   u"United Kingdom", u"United States", u"Us"};
    EXPECT_EQ(ChoiceSearch::find(countries, u"ca"), 1) << "beginning wins over containing";
    EXPECT_EQ(ChoiceSearch::find(countries, u"  united s"), 4) << "blanks inside count, at the ends not";
    EXPECT_EQ(ChoiceSearch::find(countries, u"US"), 5) << "equal wins over beginning";
    EXPECT_EQ(ChoiceSearch::find(countries, u"african"), 0);
    EXPECT_EQ(ChoiceSearch::find(countries, u"\u00E9g"), 2) << "Latin-1 letters fold too";
    EXPECT_EQ(ChoiceSearch::find(countries, u"xyz"), -1);
    EXPECT_EQ(ChoiceSearch::find(countries, u" "), -1);
}
