#include "phonebook/CityTable.h"

#include "phonebook/PopList.h"
#include "phonebook/RegionTable.h"
#include "support/AtomicFile.h"
#include "support/LineReader.h"
#include "support/Tokenizer.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>

namespace tarvo {

namespace {

struct Triple {
    std::string_view country;
    std::string_view region;
    std::string_view city;

    explicit Triple(const PopRecord& pop) : country(pop.country()), region(pop.region()), city(pop.city()) {}
    Triple(std::string_view c, std::string_view r, std::string_view t) : country(c), region(r), city(t) {}

    friend bool operator==(const Triple&, const Triple&) = default;
    // Country, then region, then city, each compared byte by byte.
    friend auto operator<=>(const Triple&, const Triple&) = default;
};

std::uint32_t hashTriple(const Triple& t)
{
    std::hash<std::string_view> hash;
    std::uint64_t h = hash(t.country);
    h = (h ^ hash(t.region)) * 0x9E3779B97F4A7C15ULL;
    h = (h ^ hash(t.city)) * 0x9E3779B97F4A7C15ULL;
    return static_cast<std::uint32_t>(h >> 32);
}

// The distinct (country, region, city) triples of the POP list. A million
// POPs share perhaps a hundred thousand triples; their text is kept packed
// here, each key's three lengths in front of its bytes, away from the
// records, so checking a POP against the set touches two cache lines (slot
// and key) rather than a record somewhere in the list.
class TripleSet final {
public:
    [[nodiscard]] static std::uint64_t tagOf(const Triple& triple) { return hashTriple(triple) >> (32 - kTagBits); }

    // Hints for a lookup that follows soon: first the slot, later (once the
    // slot is likely in cache) the key it points at.
    void prefetchSlot(std::uint64_t tag) const
    {
        if (!m_slots.empty())
            __builtin_prefetch(&m_slots[static_cast<std::size_t>(tag) & (m_slots.size() - 1)]);
    }
    void prefetchKey(std::uint64_t tag) const
    {
        if (m_slots.empty())
            return;
        std::uint64_t slot = m_slots[static_cast<std::size_t>(tag) & (m_slots.size() - 1)];
        if (slot != 0)
            __builtin_prefetch(m_text.data() + (slot & kOffsetMask) - 1);
    }

    void add(const Triple& triple, std::uint64_t tag)
    {
        if ((m_keys.size() + 1) * 2 > m_slots.size())
            grow();
        std::size_t mask = m_slots.size() - 1;
        for (std::size_t pos = static_cast<std::size_t>(tag) & mask;; pos = (pos + 1) & mask) {
            std::uint64_t slot = m_slots[pos];
            if (slot == 0) {
                std::uint64_t offset = store(triple);
                m_keys.push_back(offset);
                m_slots[pos] = (tag << kOffsetBits) | (offset + 1);
                return;
            }
            if ((slot >> kOffsetBits) == tag && triple == key((slot & kOffsetMask) - 1))
                return;
        }
    }

    [[nodiscard]] std::size_t size() const { return m_keys.size(); }
    // The i-th distinct triple, in the order they were met.
    [[nodiscard]] Triple operator[](std::size_t i) const { return key(m_keys[i]); }

private:
    static constexpr int kOffsetBits = 40;
    static constexpr int kTagBits = 64 - kOffsetBits;
    static constexpr std::uint64_t kOffsetMask = (std::uint64_t{1} << kOffsetBits) - 1;
    static constexpr std::size_t kHead = 3 * sizeof(std::uint16_t);

    [[nodiscard]] Triple key(std::uint64_t offset) const
    {
        const char* p = m_text.data() + offset;
        std::uint16_t len[3];
        std::memcpy(len, p, kHead);
        p += kHead;
        return {{p, len[0]}, {p + len[0], len[1]}, {p + len[0] + len[1], len[2]}};
    }

    std::uint64_t store(const Triple& t)
    {
        std::uint64_t offset = m_text.size();
        // Each field comes from one line of at most 1023 bytes.
        std::uint16_t len[3] = {static_cast<std::uint16_t>(t.country.size()), static_cast<std::uint16_t>(t.region.size()),
                                static_cast<std::uint16_t>(t.city.size())};
        m_text.append(reinterpret_cast<const char*>(len), kHead);
        m_text.append(t.country).append(t.region).append(t.city);
        return offset;
    }

    void grow()
    {
        std::vector<std::uint64_t> slots(m_slots.empty() ? 1024 : m_slots.size() * 2, 0);
        std::size_t mask = slots.size() - 1;
        for (std::uint64_t slot : m_slots) {
            if (slot == 0)
                continue;
            std::size_t pos = static_cast<std::size_t>(slot >> kOffsetBits) & mask;
            while (slots[pos] != 0)
                pos = (pos + 1) & mask;
            slots[pos] = slot;
        }
        m_slots.swap(slots);
    }

    std::vector<std::uint64_t> m_slots; // tag << 40 | (key offset + 1), 0 = free
    std::vector<std::uint64_t> m_keys;  // key offsets in the order met
    std::string m_text;
};

} // namespace

void CityTable::clear()
{
    m_entries.clear();
    m_text.clear();
    m_derived = false;
}

void CityTable::LoadOrBuild(const std::string& path, const PopList& pops, const RegionTable& regions)
{
    clear();
    if (read(path))
        return;
    derive(pops, regions);
    m_derived = true;
    (void)write(path);
}

bool CityTable::read(const std::string& path)
{
    LineReader reader(path);
    if (!reader.isOpen())
        return false;
    std::array<std::string_view, 4> fields{};
    std::string_view line;
    bool anyCountry = false;
    while (reader.next(line)) {
        if (Comment(line) || ParseTokens(line, fields.data(), 4) < 4)
            continue;
        anyCountry = anyCountry || !fields[0].empty();
        m_entries.push_back({m_text.store(fields[0]), m_text.store(fields[1]), m_text.store(fields[2]),
                             m_text.store(fields[3])});
    }
    // A cache that names no city of any country (empty, cut short, a folder,
    // a line of commas) is no cache: it is derived again, as if missing.
    if (!anyCountry) {
        clear();
        return false;
    }
    return true;
}

void CityTable::derive(const PopList& pops, const RegionTable& regions)
{
    // The same table as inserting each POP's triple into a sorted list that
    // keeps one of each, without the quadratic walk: distinct triples first,
    // then one sort of those.
    TripleSet set;
    // Lookups are mostly cache misses into the set, so each POP's slot and
    // key are asked for some POPs ahead of the lookup itself.
    struct Pending {
        Triple triple;
        std::uint64_t tag;
    };
    constexpr std::size_t kAhead = 16;
    std::array<std::optional<Pending>, kAhead> ring;
    std::size_t count = 0;
    std::optional<Triple> previous; // neighbouring POPs often share a city
    for (const PopRecord& pop : pops) {
        Triple triple(pop);
        if (previous && *previous == triple)
            continue;
        previous = triple;
        std::uint64_t tag = TripleSet::tagOf(triple);
        set.prefetchSlot(tag);
        if (const auto& half = ring[(count + kAhead / 2) % kAhead])
            set.prefetchKey(half->tag);
        auto& oldest = ring[count % kAhead];
        if (oldest)
            set.add(oldest->triple, oldest->tag);
        oldest = Pending{triple, tag};
        ++count;
    }
    for (std::size_t i = 0; i < kAhead; ++i)
        if (const auto& pending = ring[(count + i) % kAhead])
            set.add(pending->triple, pending->tag);
    std::vector<std::uint32_t> order(set.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<std::uint32_t>(i);
    std::sort(order.begin(), order.end(), [&set](std::uint32_t a, std::uint32_t b) { return set[a] < set[b]; });

    m_entries.reserve(order.size());
    for (std::uint32_t i : order) {
        Triple triple = set[i];
        std::string_view altName;
        if (!triple.region.empty())
            if (const RegionEntry* region = regions.Find(triple.region))
                altName = region->altName;
        m_entries.push_back(
            {m_text.store(triple.country), m_text.store(triple.region), m_text.store(triple.city), m_text.store(altName)});
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
