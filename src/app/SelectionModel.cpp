#include "app/SelectionModel.h"

#include "phonebook/HandheldSet.h"
#include "phonebook/MasterPhonebook.h"
#include "support/FrontEnd.h"
#include "support/SideBySide.h"

#include <algorithm>
#include <cctype>
#include <unordered_set>

namespace tarvo {

namespace {

// The drop-down lists sort their texts as the desktop's sorted lists do:
// ignoring case.
bool lessIgnoringCase(std::string_view a, std::string_view b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
    });
}

} // namespace

SelectionModel::SelectionModel(MasterPhonebook& phonebook, HandheldSet& handheld, int popSortOrder)
    : m_phonebook(phonebook), m_handheld(handheld), m_popSortOrder(popSortOrder)
{
}

std::vector<const CountryEntry*> SelectionModel::countryChoices() const
{
    std::vector<const CountryEntry*> out;
    for (const CountryEntry& c : m_phonebook.countries())
        if (c.hasPops != 0)
            out.push_back(&c);
    std::stable_sort(out.begin(), out.end(),
                     [](const CountryEntry* a, const CountryEntry* b) { return lessIgnoringCase(a->name, b->name); });
    return out;
}

std::vector<const RegionEntry*> SelectionModel::stateChoices(const CountryEntry& country) const
{
    std::vector<const RegionEntry*> out;
    for (const RegionEntry& r : m_phonebook.regions())
        if (r.countryCode == country.code && !r.regionCode.empty())
            out.push_back(&r);
    std::stable_sort(out.begin(), out.end(),
                     [](const RegionEntry* a, const RegionEntry* b) { return lessIgnoringCase(a->name, b->name); });
    return out;
}

std::string SelectionModel::cityText(const CityEntry& city)
{
    if (city.country == "US")
        return std::string(city.city) + " " + std::string(city.regionAltName);
    return std::string(city.city);
}

std::vector<CityChoice> SelectionModel::cityChoices(const CountryEntry& country, const RegionEntry* state) const
{
    std::vector<CityChoice> out;
    for (const CityEntry& c : m_phonebook.cities()) {
        if (c.country != country.code)
            continue;
        if (state && c.region != state->regionCode)
            continue;
        out.push_back({&c, cityText(c)});
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const CityChoice& a, const CityChoice& b) { return lessIgnoringCase(a.text, b.text); });
    return out;
}

const CountryEntry* SelectionModel::findCountry(std::string_view code) const
{
    for (const CountryEntry& c : m_phonebook.countries())
        if (c.code == code)
            return &c;
    return nullptr;
}

const RegionEntry* SelectionModel::findState(const CountryEntry& country, std::string_view regionCode) const
{
    for (const RegionEntry& r : m_phonebook.regions())
        if (r.countryCode == country.code && r.regionCode == regionCode)
            return &r;
    return nullptr;
}

const CityEntry* SelectionModel::findCity(const CountryEntry& country, const RegionEntry* state,
                                          std::string_view name) const
{
    for (const CityEntry& c : m_phonebook.cities())
        if (c.country == country.code && (!state || c.region == state->regionCode) && c.city == name)
            return &c;
    return nullptr;
}

void SelectionModel::chooseCountry(const CountryEntry* country)
{
    if (!country)
        return;
    m_allCitySign = country->allCityOrder;
    m_filter.country = country;
    m_filter.region = nullptr;
    m_filter.city = nullptr;
    rebuild();
    m_filter.areaCode.clear();
}

void SelectionModel::chooseState(const RegionEntry* state)
{
    if (!state)
        return;
    m_filter.region = state;
    m_filter.city = nullptr;
    rebuild();
}

void SelectionModel::chooseCity(const CityEntry* city)
{
    m_filter.city = city;
    rebuild();
}

void SelectionModel::clear()
{
    m_filter = PopFilter{};
    m_main.clear();
    m_handheldRows.clear();
}

void SelectionModel::applyFilter(const PopFilter& filter)
{
    m_filter = filter;
    if (filter.country)
        m_allCitySign = filter.country->allCityOrder;
    rebuild();
}

void SelectionModel::rebuild()
{
    m_main.clear();
    m_handheldRows.clear();
    const auto collect = [this](PopList::iterator from, PopList::iterator to, std::vector<PopRecord*>& main,
                                std::vector<PopRecord*>& handheld) {
        for (; from != to; ++from) {
            PopRecord& pop = *from;
            if (!m_filter.passes(pop))
                continue;
            main.push_back(&pop);
            if (m_handheld.contains(pop))
                handheld.push_back(&pop);
        }
    };
    // A big phonebook is filtered in two halves side by side; the rows
    // keep the phonebook's order.
    constexpr std::size_t kParallelPops = 1 << 17;
    PopList& pops = m_phonebook.pops();
    const bool split = worthTwoThreads(pops.size(), kParallelPops);
    const PopList::iterator middle = split ? pops.middle() : pops.end();
    std::vector<PopRecord*> secondMain;
    std::vector<PopRecord*> secondHandheld;
    runSideBySide(
        split, [&] { collect(pops.begin(), middle, m_main, m_handheldRows); },
        [&] { collect(middle, pops.end(), secondMain, secondHandheld); });
    m_main.insert(m_main.end(), secondMain.begin(), secondMain.end());
    m_handheldRows.insert(m_handheldRows.end(), secondHandheld.begin(), secondHandheld.end());
    sort(List::Main);
    sort(List::Handheld);
}

void SelectionModel::sortBy(List list, SortColumn column)
{
    (list == List::Main ? m_mainSort : m_handheldSort).click(column);
    sort(list);
}

void SelectionModel::setSort(List list, PopSort how)
{
    (list == List::Main ? m_mainSort : m_handheldSort) = how;
    sort(list);
}

void SelectionModel::sort(List list)
{
    sortPops(list == List::Main ? m_main : m_handheldRows, sortOf(list), m_allCitySign, m_popSortOrder);
}

bool SelectionModel::onHandheld(const PopRecord& pop) const
{
    return m_handheld.contains(pop);
}

int SelectionModel::handheldCount() const
{
    return m_handheld.count();
}

int SelectionModel::limit() const
{
    return m_handheld.limit();
}

bool SelectionModel::limitAllows(int rowsToAdd) const
{
    return m_handheld.limitAllows(rowsToAdd);
}

SelectionModel::Move SelectionModel::moveToHandheld(std::span<const std::size_t> mainRows, FrontEnd& frontEnd,
                                                    const std::string& caption)
{
    Move move;
    if (!limitAllows(static_cast<int>(mainRows.size()))) {
        frontEnd.messageBox(m_handheld.limitMessage(), caption, MessageIcon::None);
        move.refused = true;
        return move;
    }
    for (std::size_t row : mainRows) {
        if (row >= m_main.size())
            continue;
        PopRecord* pop = m_main[row];
        switch (m_handheld.add(*pop)) {
        case HandheldSet::Add::Added:
            m_handheldRows.push_back(pop);
            ++move.moved;
            m_changed = true;
            break;
        case HandheldSet::Add::CustomerPop:
            ++move.customerPops;
            break;
        case HandheldSet::Add::AlreadyChosen:
            break;
        }
    }
    sort(List::Handheld);
    return move;
}

std::vector<std::size_t> SelectionModel::handheldRowsOf(std::span<const std::size_t> mainRows) const
{
    std::unordered_set<const PopRecord*> pops;
    for (std::size_t row : mainRows)
        if (row < m_main.size())
            pops.insert(m_main[row]);
    std::vector<std::size_t> rows;
    for (std::size_t row = 0; row < m_handheldRows.size(); ++row)
        if (pops.count(m_handheldRows[row]) != 0)
            rows.push_back(row);
    return rows;
}

void SelectionModel::moveBack(std::span<const std::size_t> handheldRows)
{
    std::vector<bool> remove(m_handheldRows.size(), false);
    for (std::size_t row : handheldRows) {
        if (row >= m_handheldRows.size())
            continue;
        remove[row] = true;
        (void)m_handheld.remove(*m_handheldRows[row]);
        m_changed = true;
    }
    std::size_t kept = 0;
    for (std::size_t i = 0; i < m_handheldRows.size(); ++i)
        if (!remove[i])
            m_handheldRows[kept++] = m_handheldRows[i];
    m_handheldRows.resize(kept);
}

} // namespace tarvo
