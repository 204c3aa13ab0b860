#include "phonebook/DistinctLocations.h"

#include "phonebook/PopList.h"
#include "phonebook/PopRecord.h"

#include <array>
#include <cstddef>
#include <cstring>
#include <string_view>

namespace tarvo {

namespace {

// How a set tells its keys apart: the triple, or the (country, region) pair
// of a record. The fields lie side by side in the record, so a key is one
// run of bytes plus where its fields end.
struct TripleKey {
    static std::string_view bytes(const PopRecord& pop) { return pop.location(); }
    static bool same(const PopRecord& a, const PopRecord& b)
    {
        return a.location() == b.location() && a.country().size() == b.country().size()
               && a.region().size() == b.region().size();
    }
    static std::size_t split(const PopRecord& pop) { return pop.country().size() << 16 | pop.region().size(); }
};

struct PairKey {
    static std::string_view bytes(const PopRecord& pop) { return pop.countryAndRegion(); }
    static bool same(const PopRecord& a, const PopRecord& b)
    {
        return a.countryAndRegion() == b.countryAndRegion() && a.country().size() == b.country().size();
    }
    static std::size_t split(const PopRecord& pop) { return pop.country().size(); }
};

// One 64-bit step of the hash: mixes eight more bytes in.
inline std::uint64_t mixIn(std::uint64_t h, std::uint64_t bytes)
{
    h ^= bytes;
    h *= 0x9E3779B97F4A7C15ULL;
    return h ^ (h >> 29);
}

inline std::uint64_t load(const char* p, std::size_t size)
{
    std::uint64_t word = 0;
    std::memcpy(&word, p, size);
    return word;
}

// A hash of a location's bytes and where its fields end. Locations are
// short (a country code, a region code, a city): whole words are mixed in
// as they come and the last, partial one is read as a word that overlaps
// the one before (or in pieces when the key is shorter than a word), never
// past the key's end.
template <class Key>
std::uint32_t hashOf(const PopRecord& pop)
{
    const std::string_view bytes = Key::bytes(pop);
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    std::uint64_t h = mixIn(0x243F6A8885A308D3ULL, Key::split(pop) << 16 | left);
    for (; left > 8; left -= 8, p += 8)
        h = mixIn(h, load(p, 8));
    if (bytes.size() >= 8)
        h = mixIn(h, load(p + left - 8, 8));
    else if (left > 0)
        h = mixIn(h, load(p, left));
    h *= 0xC2B2AE3D27D4EB4FULL;
    return static_cast<std::uint32_t>(h >> 32);
}

// An open-addressing set of records by key, numbering the distinct keys in
// the order they arrive. A slot holds the key's hash beside its number, so
// a lookup reads a record only when the hashes agree.
template <class Key>
class RecordSet final {
public:
    // Room for `expected` keys from the start: a table that grows by
    // doubling would move every slot again at each step.
    RecordSet(std::vector<const PopRecord*>& members, std::size_t expected) : m_members(members)
    {
        std::size_t slots = std::size_t{1} << 12;
        while (slots < expected * 2)
            slots *= 2;
        m_slots.assign(slots, 0);
    }

    // The number of `pop`'s key, added when new; `isNew` tells which.
    std::uint32_t insert(const PopRecord& pop, std::uint32_t hash, bool& isNew)
    {
        if ((m_members.size() + 1) * 2 > m_slots.size())
            grow();
        const std::size_t mask = m_slots.size() - 1;
        for (std::size_t pos = hash & mask;; pos = (pos + 1) & mask) {
            const std::uint64_t slot = m_slots[pos];
            if (slot == 0) {
                const auto number = static_cast<std::uint32_t>(m_members.size());
                m_members.push_back(&pop);
                m_slots[pos] = std::uint64_t{hash} << 32 | (std::uint64_t{number} + 1);
                isNew = true;
                return number;
            }
            const auto number = static_cast<std::uint32_t>(slot) - 1;
            if (static_cast<std::uint32_t>(slot >> 32) == hash && Key::same(*m_members[number], pop)) {
                isNew = false;
                return number;
            }
        }
    }

    // A hint that `hash` is looked up soon: its slot is then likely cached.
    void prefetch(std::uint32_t hash) const
    {
        if (!m_slots.empty())
            __builtin_prefetch(&m_slots[hash & (m_slots.size() - 1)]);
    }

private:
    void grow()
    {
        std::vector<std::uint64_t> slots(m_slots.empty() ? std::size_t{1} << 12 : m_slots.size() * 2, 0);
        const std::size_t mask = slots.size() - 1;
        for (std::uint64_t slot : m_slots) {
            if (slot == 0)
                continue;
            std::size_t pos = static_cast<std::size_t>(slot >> 32) & mask;
            while (slots[pos] != 0)
                pos = (pos + 1) & mask;
            slots[pos] = slot;
        }
        m_slots.swap(slots);
    }

    std::vector<const PopRecord*>& m_members;
    std::vector<std::uint64_t> m_slots; // hash << 32 | (number + 1); 0 is free
};

} // namespace

std::vector<const PopRecord*> DistinctLocations::find(const PopList& pops, const OnTriple& onTriple)
{
    std::vector<const PopRecord*> tripleFirsts;
    std::vector<const PopRecord*> pairFirsts;
    // No more triples than POPs; a book with a city per POP has nearly that
    // many. Room reserved and never used is never touched.
    RecordSet<TripleKey> triples(tripleFirsts, pops.size());
    RecordSet<PairKey> pairs(pairFirsts, 0);
    tripleFirsts.reserve(pops.size());

    // Most lookups of a big book miss the cache, so the slots of a batch of
    // records are asked for before the batch is looked up.
    constexpr std::size_t kBatch = 16;
    std::array<const PopRecord*, kBatch> batch{};
    std::array<std::uint32_t, kBatch> hashes{};
    const PopRecord* previous = nullptr; // neighbouring POPs often share a city
    auto lookUp = [&](std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            hashes[i] = hashOf<TripleKey>(*batch[i]);
            triples.prefetch(hashes[i]);
        }
        for (std::size_t i = 0; i < count; ++i) {
            bool isNew = false;
            triples.insert(*batch[i], hashes[i], isNew);
            if (isNew) {
                bool newPair = false;
                onTriple(*batch[i], pairs.insert(*batch[i], hashOf<PairKey>(*batch[i]), newPair));
            }
        }
    };
    std::size_t pending = 0;
    for (const PopRecord& pop : pops) {
        if (previous && TripleKey::same(*previous, pop))
            continue;
        previous = &pop;
        batch[pending++] = &pop;
        if (pending == kBatch) {
            lookUp(pending);
            pending = 0;
        }
    }
    lookUp(pending);
    return pairFirsts;
}

} // namespace tarvo
