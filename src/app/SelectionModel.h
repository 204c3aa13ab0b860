#pragma once

#include "app/PopFilter.h"
#include "app/PopSort.h"

#include <cstddef>
#include <span>
#include <string>
#include <vector>

namespace tarvo {

class FrontEnd;
class HandheldSet;
class MasterPhonebook;
class PopRecord;

// A city choice: the entry and the text the drop-down list shows for it.
struct CityChoice {
    const CityEntry* entry = nullptr;
    std::string text;
};

// The state behind the selection window, shared by both front ends: the
// filter, the two lists (the Main list of POPs passing the filter and the
// Handheld list of those of them chosen for the handheld), their sorts, the
// moves between them and the change flag. Rows refer to the phonebook's
// records, which outlive the model.
class SelectionModel final {
public:
    enum class List { Main, Handheld };

    // What a move to the handheld did.
    struct Move {
        bool refused = false; // the limit refused it; nothing moved
        int moved = 0;
        // Customer POPs among the rows, left where they are: the handheld's
        // file holds master POPs only.
        int customerPops = 0;
    };

    // `popSortOrder` comes from the profile; the set holds the limit.
    SelectionModel(MasterPhonebook& phonebook, HandheldSet& handheld, int popSortOrder);
    SelectionModel(const SelectionModel&) = delete;
    SelectionModel& operator=(const SelectionModel&) = delete;

    // The choices of the drop-down lists, in the order they show them
    // (alphabetical, as the lists sort themselves).
    std::vector<const CountryEntry*> countryChoices() const;
    std::vector<const RegionEntry*> stateChoices(const CountryEntry& country) const;
    // The cities of a country, or of one of its states.
    std::vector<CityChoice> cityChoices(const CountryEntry& country, const RegionEntry* state) const;
    // Text shown for a city: US cities carry their state's other name.
    static std::string cityText(const CityEntry& city);

    // Lookups by the codes the tables carry (first match), for the command line.
    const CountryEntry* findCountry(std::string_view code) const;
    const RegionEntry* findState(const CountryEntry& country, std::string_view regionCode) const;
    const CityEntry* findCity(const CountryEntry& country, const RegionEntry* state, std::string_view name) const;

    // Country chosen: the state and city choices are dropped, the lists are
    // rebuilt with the area code still applying, then the area code is
    // emptied (without a rebuild), as the window does.
    void chooseCountry(const CountryEntry* country);
    void chooseState(const RegionEntry* state);
    void chooseCity(const CityEntry* city);
    void setAreaCode(std::string areaCode) { m_filter.areaCode = std::move(areaCode); }
    // Clear: no choices, empty area code, both lists empty until the next rebuild.
    void clear();
    // Sets every choice at once and rebuilds (the command line's way).
    void applyFilter(const PopFilter& filter);

    // Both lists anew from the phonebook, each sorted by its own sort.
    void rebuild();
    // A click on a column header of the list (see PopSort::click).
    void sortBy(List list, SortColumn column);
    // Sorts the list by exactly this column and direction.
    void setSort(List list, PopSort sort);
    void sort(List list);

    // Move the given Main rows to the handheld after the limit check (which
    // counts every given row, as the window always has); refused, with the
    // limit's message, moves nothing. Rows already chosen and customer POPs
    // are skipped.
    Move moveToHandheld(std::span<const std::size_t> mainRows, FrontEnd& frontEnd, const std::string& caption);
    // Move the given Handheld rows back; the Main list is not changed.
    void moveBack(std::span<const std::size_t> handheldRows);
    // The Handheld rows of those Main rows whose POPs are on the handheld,
    // ascending.
    std::vector<std::size_t> handheldRowsOf(std::span<const std::size_t> mainRows) const;

    const std::vector<PopRecord*>& rows(List list) const { return list == List::Main ? m_main : m_handheldRows; }
    const PopFilter& filter() const { return m_filter; }
    const PopSort& sortOf(List list) const { return list == List::Main ? m_mainSort : m_handheldSort; }
    int allCitySign() const { return m_allCitySign; }
    // Whether a row's POP is on the handheld (chosen).
    bool onHandheld(const PopRecord& pop) const;
    int handheldCount() const;
    int limit() const;
    bool changed() const { return m_changed; }
    void setChanged(bool changed) { m_changed = changed; }

    // The limit check: `rowsToAdd` more POPs on top of those already chosen.
    bool limitAllows(int rowsToAdd) const;

private:
    MasterPhonebook& m_phonebook;
    HandheldSet& m_handheld;
    int m_popSortOrder;
    PopFilter m_filter;
    PopSort m_mainSort;
    PopSort m_handheldSort;
    int m_allCitySign = 1;
    bool m_changed = false;
    std::vector<PopRecord*> m_main;
    std::vector<PopRecord*> m_handheldRows;
};

} // namespace tarvo
