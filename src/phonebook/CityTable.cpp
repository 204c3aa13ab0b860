#include "phonebook/CityTable.h"

#include "phonebook/PopList.h"
#include "phonebook/RegionTable.h"
#include "support/AtomicFile.h"
#include "support/LineReader.h"
#include "support/Tokenizer.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>

namespace tarvo {

namespace {

struct Triple {
    std::string_view country;
    std::string_view region;
    std::string_view city;

    explicit Triple(const PopRecord& pop) : country(pop.country()), region(pop.region()), city(pop.city()) {}

    friend bool operator==(const Triple&, const Triple&) = default;
    // Country, then region, then city, each compared byte by byte.
    friend auto operator<=>(const Triple&, const Triple&) = default;
};

std::uint64_t hashTriple(const Triple& t)
{
    std::hash<std::string_view> hash;
    std::uint64_t h = hash(t.country);
    h = (h ^ hash(t.region)) * 0x9E3779B97F4A7C15ULL;
    h = (h ^ hash(t.city)) * 0x9E3779B97F4A7C15ULL;
    return h ^ (h >> 29);
}

// The distinct (country, region, city) triples of the POP list, each
// represented by its first POP. Open addressing over indices keeps it small
// and fast when a million POPs share a few thousand cities.
class TripleSet final {
public:
    void add(const PopRecord& pop)
    {
        Triple triple(pop);
        auto hash = static_cast<std::uint32_t>(hashTriple(triple));
        if ((m_items.size() + 1) * 2 > m_slots.size())
            grow();
        std::size_t mask = m_slots.size() - 1;
        for (std::size_t pos = hash & mask;; pos = (pos + 1) & mask) {
            std::uint32_t slot = m_slots[pos];
            if (slot == 0) {
                m_items.push_back(&pop);
                m_hashes.push_back(hash);
                m_slots[pos] = static_cast<std::uint32_t>(m_items.size());
                return;
            }
            if (m_hashes[slot - 1] == hash && Triple(*m_items[slot - 1]) == triple)
                return;
        }
    }

    std::vector<const PopRecord*>& items() { return m_items; }

private:
    void grow()
    {
        std::vector<std::uint32_t> slots(m_slots.empty() ? 1024 : m_slots.size() * 2, 0);
        std::size_t mask = slots.size() - 1;
        for (std::size_t i = 0; i < m_items.size(); ++i) {
            std::size_t pos = m_hashes[i] & mask;
            while (slots[pos] != 0)
                pos = (pos + 1) & mask;
            slots[pos] = static_cast<std::uint32_t>(i + 1);
        }
        m_slots.swap(slots);
    }

    std::vector<std::uint32_t> m_slots; // index + 1 into m_items, 0 = free
    std::vector<const PopRecord*> m_items;
    std::vector<std::uint32_t> m_hashes;
};

} // namespace

void CityTable::clear()
{
    m_entries.clear();
    m_text.clear();
    m_derived = false;
}

int CityTable::LoadOrBuild(const std::string& path, const PopList& pops, const RegionTable& regions)
{
    clear();
    if (read(path))
        return 0;
    derive(pops, regions);
    m_derived = true;
    (void)write(path);
    return 0;
}

bool CityTable::read(const std::string& path)
{
    LineReader reader(path);
    if (!reader.isOpen())
        return false;
    std::array<std::string_view, 4> fields{};
    std::string_view line;
    while (reader.next(line)) {
        if (Comment(line) || ParseTokens(line, fields.data(), 4) < 4)
            continue;
        m_entries.push_back({m_text.store(fields[0]), m_text.store(fields[1]), m_text.store(fields[2]),
                             m_text.store(fields[3])});
    }
    return true;
}

void CityTable::derive(const PopList& pops, const RegionTable& regions)
{
    // The same table as inserting each POP's triple into a sorted list that
    // keeps one of each, without the quadratic walk: distinct triples first,
    // then one sort of those.
    TripleSet set;
    for (const PopRecord& pop : pops)
        set.add(pop);
    std::vector<const PopRecord*>& distinct = set.items();
    std::sort(distinct.begin(), distinct.end(),
              [](const PopRecord* a, const PopRecord* b) { return Triple(*a) < Triple(*b); });

    m_entries.reserve(distinct.size());
    for (const PopRecord* pop : distinct) {
        std::string_view altName;
        if (!pop->region().empty())
            if (const RegionEntry* region = regions.Find(pop->region()))
                altName = region->altName;
        m_entries.push_back(
            {m_text.store(pop->country()), m_text.store(pop->region()), m_text.store(pop->city()), m_text.store(altName)});
    }
}

bool CityTable::write(const std::string& path) const
{
    AtomicFile file(path);
    if (!file.open())
        return false;
    std::string block;
    constexpr std::size_t kFlushAt = 1 << 16;
    for (const CityEntry& entry : m_entries) {
        block.append(entry.country).append(",").append(entry.region).append(",").append(entry.city);
        block.append(",").append(entry.regionAltName).append("\r\n");
        if (block.size() >= kFlushAt) {
            file.write(block);
            block.clear();
        }
    }
    file.write(block);
    return file.commit();
}

} // namespace tarvo
