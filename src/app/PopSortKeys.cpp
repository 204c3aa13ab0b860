#include "app/PopSortKeys.h"

#include "phonebook/PopRecord.h"
#include "support/LargeBlock.h"
#include "support/SideBySide.h"
#include "support/Tokenizer.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace tarvo {

namespace {

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

// A signed value as an unsigned one of the same order, reversed for a
// descending factor.
std::uint32_t ordered(std::int32_t value, int factor)
{
    const std::uint32_t biased = static_cast<std::uint32_t>(value) ^ 0x80000000U;
    return factor < 0 ? ~biased : biased;
}

std::uint64_t ordered(std::uint64_t value, int factor)
{
    return factor < 0 ? ~value : value;
}

// Each row's city as its rank among the rows' distinct cities in byte
// order. Equal cities are found by hash (rows of one city mostly come
// together, so the last city is tried first), and only the distinct ones
// are sorted: a list with a city per row costs one sort of its cities, not
// a string search per row.
std::vector<std::uint32_t> cityRanks(const std::vector<PopRecord*>& rows)
{
    std::vector<std::string_view> distinct;
    std::vector<std::uint32_t> rank(rows.size());
    std::size_t slotCount = 16;
    while (slotCount < rows.size() * 2)
        slotCount *= 2;
    std::vector<std::uint32_t> slots(slotCount, 0); // the city's number + 1; 0 is free
    const std::size_t mask = slotCount - 1;
    const std::hash<std::string_view> hash;
    std::string_view last;
    std::uint32_t lastNumber = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::string_view city = rows[i]->city();
        if (i > 0 && city == last) {
            rank[i] = lastNumber;
            continue;
        }
        std::size_t pos = hash(city) & mask;
        while (slots[pos] != 0 && distinct[slots[pos] - 1] != city)
            pos = (pos + 1) & mask;
        if (slots[pos] == 0) {
            distinct.push_back(city);
            slots[pos] = static_cast<std::uint32_t>(distinct.size());
        }
        last = city;
        lastNumber = slots[pos] - 1;
        rank[i] = lastNumber;
    }

    struct Distinct {
        std::uint64_t prefix;
        std::uint32_t number;
    };
    std::vector<Distinct> order(distinct.size());
    for (std::size_t n = 0; n < distinct.size(); ++n)
        order[n] = {prefixOf(distinct[n]), static_cast<std::uint32_t>(n)};
    std::sort(order.begin(), order.end(), [&](const Distinct& a, const Distinct& b) {
        if (a.prefix != b.prefix)
            return a.prefix < b.prefix;
        return distinct[a.number] < distinct[b.number];
    });
    std::vector<std::uint32_t> rankOf(distinct.size());
    for (std::size_t r = 0; r < order.size(); ++r)
        rankOf[order[r].number] = static_cast<std::uint32_t>(r);
    for (std::uint32_t& r : rank)
        r = rankOf[r];
    return rank;
}

// What the comparison looks at, made once per row and packed so that
// comparing two rows is comparing four unsigned words, each already in the
// order the sort asks for (descending fields complemented):
//   by City:   major = all-city group, city rank, customer group, and the
//              flag kDecidedTie for customer rows; minor = sort order and
//              area code; number = the first 16 bytes of the number. A
//              customer row keeps zeros past its group: customers of one
//              city compare equal.
//   by Number: major = area code (above kDecidedTie); number = the first
//              16 bytes.
struct SortKey {
    std::uint64_t major;
    std::uint64_t minor;
    std::uint64_t number[2];
    PopRecord* pop;
};

// Rows equal in every word are told apart by the records themselves (their
// numbers are longer than the key), except customer rows, which are equal.
constexpr std::uint64_t kDecidedTie = 1;

SortKey keyOf(PopRecord* pop, std::uint32_t cityRank, const PopSort& sort, int allCitySign, int popSortOrder)
{
    SortKey key{};
    key.pop = pop;
    const int byNumber = sort.factor(SortColumn::Number);
    const std::uint32_t area = ordered(toInt32(pop->areaCode()), byNumber);
    const std::uint64_t number[2] = {ordered(prefixOf(pop->phoneNumber()), byNumber),
                                     ordered(prefixOf(pop->phoneNumber(), 8), byNumber)};
    if (sort.column == SortColumn::Number) {
        key.major = std::uint64_t{area} << 1; // clear of kDecidedTie
        key.number[0] = number[0];
        key.number[1] = number[1];
        return key;
    }
    const int d = sort.factor(SortColumn::City);
    const bool allCity = pop->allCity() != 0;
    const std::uint64_t allCityGroup = allCity == (allCitySign > 0) ? 1 : 0;
    const std::uint64_t city = d < 0 ? ~cityRank : cityRank;
    key.major = allCityGroup << 63 | (city & 0xFFFFFFFFU) << 31;
    if (!pop->fromMaster()) {
        const std::uint64_t customerGroup = (popSortOrder > 0) == (d > 0) ? 2 : 0;
        key.major |= customerGroup << 29 | kDecidedTie;
        return key;
    }
    key.major |= std::uint64_t{1} << 29;
    key.minor = std::uint64_t{ordered(pop->sortOrder(), d)} << 32 | area;
    key.number[0] = number[0];
    key.number[1] = number[1];
    return key;
}

} // namespace

void PopSortKeys::sort(std::vector<PopRecord*>& rows, const PopSort& sort, int allCitySign, int popSortOrder)
{
    const auto plainLess = [&](const PopRecord* a, const PopRecord* b) {
        return comparePops(*a, *b, sort, allCitySign, popSortOrder) < 0;
    };
    std::vector<std::uint32_t> ranks;
    if (sort.column == SortColumn::City)
        ranks = cityRanks(rows);
    const auto less = [&](const SortKey& a, const SortKey& b) {
        if (a.major != b.major)
            return a.major < b.major;
        if (a.minor != b.minor)
            return a.minor < b.minor;
        if (a.number[0] != b.number[0])
            return a.number[0] < b.number[0];
        if (a.number[1] != b.number[1])
            return a.number[1] < b.number[1];
        return (a.major & kDecidedTie) == 0 && plainLess(a.pop, b.pop);
    };
    // A big country's list is sorted on two processors, each making the
    // keys of its half (and touching that half's memory first) and sorting
    // them.
    constexpr std::size_t kParallelRows = 1 << 16;
    const std::size_t count = rows.size();
    // Big enough for huge pages (see LargeBlock): 17 MB of keys for a big
    // country's list are mapped in a few faults, not in thousands.
    const LargeBlockPtr<SortKey> keys = makeLargeBlock<SortKey>(count);
    const std::size_t middle = sortInHalves(count, kParallelRows, [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i)
            keys.get()[i] = keyOf(rows[i], ranks.empty() ? 0 : ranks[i], sort, allCitySign, popSortOrder);
        std::stable_sort(keys.get() + from, keys.get() + to, less);
    });
    std::size_t at = 0;
    mergeRuns(keys.get(), keys.get() + middle, keys.get() + count, less,
              [&rows, &at](const SortKey& key) { rows[at++] = key.pop; });
}

} // namespace tarvo
