#include "phonebook/CityTable.h"

#include "phonebook/DistinctLocations.h"
#include "phonebook/PopLineSplitter.h"
#include "phonebook/PopList.h"
#include "phonebook/RegionTable.h"
#include "support/AtomicFile.h"
#include "support/FreedMemory.h"
#include "support/LineReader.h"
#include "support/Tokenizer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>
#include <utility>

namespace tarvo {

namespace {

// The first eight bytes of `text`, big-endian and padded with zero bytes:
// when two prefixes differ, the texts compare byte by byte as their prefixes
// do (a text that ends early is the smaller, as its padding is).
std::uint64_t prefixOf(std::string_view text)
{
    unsigned char bytes[8] = {};
    if (!text.empty())
        std::memcpy(bytes, text.data(), std::min(text.size(), sizeof bytes));
    std::uint64_t prefix = 0;
    for (unsigned char byte : bytes)
        prefix = prefix << 8 | byte;
    return prefix;
}

// What the sort of the distinct triples compares: the rank of the triple's
// (country, region) pair among the pairs in the top bits of `order`, the
// city's first bytes below them; only triples that agree in all of it
// (same pair, city alike so far) have their cities compared in full. The
// key points at the table's copy of the city, made as the triple is found
// (its size, then its text), so the sorted keys make the entries in one
// pass without going back to the records. Until the pairs are ranked,
// `order` holds the number of the triple's pair.
struct SortKey {
    std::uint64_t order;
    const char* city;

    static constexpr std::size_t kHead = sizeof(std::uint16_t);

    [[nodiscard]] std::string_view cityText() const
    {
        std::uint16_t size = 0;
        std::memcpy(&size, city, sizeof size);
        return {city + kHead, size};
    }
};

// Sorts by `order`, a byte at a time from the lowest (a pass is skipped
// when all keys share that byte), then puts each run of equal order in the
// order of its cities.
void sortKeys(std::vector<SortKey>& keys)
{
    constexpr int kBytes = 8;
    std::array<std::array<std::size_t, 256>, kBytes> counts{};
    for (const SortKey& key : keys)
        for (int b = 0; b < kBytes; ++b)
            ++counts[static_cast<std::size_t>(b)][key.order >> (8 * b) & 0xFF];
    std::vector<SortKey> other(keys.size());
    for (int b = 0; b < kBytes && !keys.empty(); ++b) {
        std::array<std::size_t, 256>& count = counts[static_cast<std::size_t>(b)];
        if (count[keys.front().order >> (8 * b) & 0xFF] == keys.size())
            continue;
        std::size_t at = 0;
        for (std::size_t& n : count)
            at += std::exchange(n, at);
        for (const SortKey& key : keys)
            other[count[key.order >> (8 * b) & 0xFF]++] = key;
        keys.swap(other);
    }
    for (auto run = keys.begin(); run != keys.end();) {
        auto end = std::find_if(run + 1, keys.end(), [&run](const SortKey& key) { return key.order != run->order; });
        if (end - run > 1)
            std::sort(run, end, [](const SortKey& a, const SortKey& b) { return a.cityText() < b.cityText(); });
        run = end;
    }
}

bool pairLess(const PopRecord& a, const PopRecord& b)
{
    if (int byCountry = a.country().compare(b.country()); byCountry != 0)
        return byCountry < 0;
    return a.region() < b.region();
}

} // namespace

// "city.txt" as the entries are made: lines gathered into blocks, and the
// file replaced at the end, or left as it is when it cannot be written.
class CityTable::CityFile final {
public:
    explicit CityFile(const std::string& path)
        : m_file(path), m_open(m_file.open()), m_block(m_open ? std::make_unique<char[]>(kBlockSize) : nullptr)
    {
    }

    void add(const CityEntry& entry)
    {
        if (!m_open)
            return;
        put(entry.country);
        m_block[m_used++] = ',';
        put(entry.region);
        m_block[m_used++] = ',';
        put(entry.city);
        m_block[m_used++] = ',';
        put(entry.regionAltName);
        m_block[m_used++] = '\r';
        m_block[m_used++] = '\n';
        if (m_used >= kFlushAt)
            flush();
    }

    bool commit() { return m_open && flush() && m_file.commit(); }

private:
    static constexpr std::size_t kFlushAt = 1 << 16;
    // A line is four fields of at most 1023 bytes, three commas and CR LF.
    static constexpr std::size_t kBlockSize = kFlushAt + 4 * 1024 + 8;

    void put(std::string_view text)
    {
        if (text.empty())
            return;
        std::memcpy(m_block.get() + m_used, text.data(), text.size());
        m_used += text.size();
    }
    bool flush()
    {
        const bool written = m_file.write(std::string_view(m_block.get(), m_used));
        m_used = 0;
        return written;
    }

    AtomicFile m_file;
    bool m_open;
    std::unique_ptr<char[]> m_block;
    std::size_t m_used = 0;
};

void CityTable::clear()
{
    m_entries.clear();
    m_text.clear();
    m_derived = false;
}

void CityTable::loadOrBuild(const std::string& path, const PopList& pops, const RegionTable& regions)
{
    clear();
    if (read(path))
        return;
    CityFile file(path);
    derive(pops, regions, file);
    m_derived = true;
    (void)file.commit();
}

bool CityTable::read(const std::string& path)
{
    LineReader reader(path);
    if (!reader.isOpen())
        return false;
    // Lines of a city table are seldom shorter than this; room for that
    // many entries spares a big table the copies of a growing vector, and
    // room never used is never touched.
    constexpr std::uintmax_t kShortLine = 16;
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (!error)
        m_entries.reserve(static_cast<std::size_t>(size / kShortLine));
    std::array<std::string_view, 4> fields{};
    std::string_view line;
    bool anyCountry = false;
    while (reader.next(line)) {
        if (comment(line) || PopLineSplitter::split(line, fields.data(), 4) < 4)
            continue;
        anyCountry = anyCountry || !fields[0].empty();
        // The fields are views into the line: one copy of the line holds
        // all four.
        const std::string_view kept = m_text.store(stripCrLf(line));
        auto moved = [&](std::string_view field) {
            if (field.empty())
                return std::string_view{};
            return kept.substr(static_cast<std::size_t>(field.data() - line.data()), field.size());
        };
        m_entries.push_back({moved(fields[0]), moved(fields[1]), moved(fields[2]), moved(fields[3])});
    }
    // A cache that names no city of any country (empty, cut short, a folder,
    // a line of commas) is no cache: it is derived again, as if missing.
    if (!anyCountry) {
        clear();
        return false;
    }
    return true;
}

void CityTable::derive(const PopList& pops, const RegionTable& regions, CityFile& file)
{
    // The same table as inserting each POP's triple into a sorted list that
    // keeps one of each, without the quadratic walk: the distinct triples
    // first, then one sort of those alone, by keys that settle nearly every
    // comparison without reading the records.
    std::vector<SortKey> keys;
    keys.reserve(pops.size()); // room never used is never touched
    const std::vector<const PopRecord*> pairs =
        DistinctLocations::find(pops, [this, &keys](const PopRecord& first, std::uint32_t pair) {
            const std::string_view city = first.city();
            // A field of a line of at most 1023 bytes.
            const auto size = static_cast<std::uint16_t>(city.size());
            char* copy = m_text.allocate(SortKey::kHead + size);
            std::memcpy(copy, &size, sizeof size);
            if (size > 0)
                std::memcpy(copy + SortKey::kHead, city.data(), size);
            keys.push_back({pair, copy});
        });

    std::vector<std::uint32_t> byRank(pairs.size());
    for (std::size_t i = 0; i < byRank.size(); ++i)
        byRank[i] = static_cast<std::uint32_t>(i);
    std::sort(byRank.begin(), byRank.end(),
              [&pairs](std::uint32_t a, std::uint32_t b) { return pairLess(*pairs[a], *pairs[b]); });
    std::vector<std::uint32_t> rankOf(byRank.size());
    for (std::size_t rank = 0; rank < byRank.size(); ++rank)
        rankOf[byRank[rank]] = static_cast<std::uint32_t>(rank);

    // The copies lie in the keys' order: one pass along them gives each key
    // its order.
    const unsigned highestRank = byRank.empty() ? 0U : static_cast<unsigned>(byRank.size() - 1);
    const int rankBits = static_cast<int>(std::bit_width(highestRank));
    for (SortKey& key : keys) {
        const std::uint64_t rank = rankOf[key.order];
        const std::uint64_t prefix = prefixOf(key.cityText()) >> rankBits;
        key.order = rankBits == 0 ? prefix : rank << (64 - rankBits) | prefix;
    }
    sortKeys(keys);
    // The lookup table and the sort's second buffer are gone; the entries
    // come next, the largest part. With many cities the memory they held
    // is handed back first, so that it does not add to the entries' peak.
    constexpr std::size_t kManyCities = std::size_t{1} << 18;
    if (keys.size() >= kManyCities)
        returnFreedMemory();

    // Country, region and the region's other name are kept once per pair.
    struct PairText {
        std::string_view country;
        std::string_view region;
        std::string_view altName;
    };
    std::vector<PairText> pairText(byRank.size());
    for (std::size_t rank = 0; rank < byRank.size(); ++rank) {
        const PopRecord& pop = *pairs[byRank[rank]];
        std::string_view altName;
        if (!pop.region().empty())
            if (const RegionEntry* region = regions.find(pop.region()))
                altName = region->altName;
        pairText[rank] = {m_text.store(pop.country()), m_text.store(pop.region()), m_text.store(altName)};
    }
    m_entries.reserve(keys.size());
    // The cities lie in the order met, not in this one: each is asked for
    // well before it is needed.
    constexpr std::size_t kAhead = 16;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (i + kAhead < keys.size())
            __builtin_prefetch(keys[i + kAhead].city);
        const SortKey& key = keys[i];
        const PairText& pair = pairText[rankBits == 0 ? 0 : key.order >> (64 - rankBits)];
        m_entries.push_back({pair.country, pair.region, key.cityText(), pair.altName});
        file.add(m_entries.back());
    }
}

} // namespace tarvo
