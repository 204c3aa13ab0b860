#pragma once

#include "phonebook/TextArena.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo {

class PopList;
class PopRecord;
class RegionTable;

// One city choice: where POPs are, as (country, region, city), with the
// region's alternative name. The texts belong to the city table.
struct CityEntry {
    std::string_view country;
    std::string_view region;
    std::string_view city;
    std::string_view regionAltName;
};

// The cities of the phonebook: read from "city.txt" when it is there,
// otherwise derived from the POPs and written to "city.txt" for later runs.
class CityTable final {
public:
    CityTable() = default;
    CityTable(const CityTable&) = delete;
    CityTable& operator=(const CityTable&) = delete;
    ~CityTable() = default;

    // Reads `path` in file order (duplicates kept), or, when it cannot be
    // opened or names no city of any country, derives the table from `pops`
    // (variants aside) and replaces `path` with it; a failed write goes
    // unreported.
    void loadOrBuild(const std::string& path, const PopList& pops, const RegionTable& regions);

    void clear();

    // True when the last LoadOrBuild derived the table instead of reading it.
    [[nodiscard]] bool derived() const { return m_derived; }

    [[nodiscard]] std::size_t size() const { return m_entries.size(); }
    [[nodiscard]] bool empty() const { return m_entries.empty(); }
    auto begin() const { return m_entries.begin(); }
    auto end() const { return m_entries.end(); }
    const CityEntry& operator[](std::size_t i) const { return m_entries[i]; }

private:
    class CityFile;

    bool read(const std::string& path);
    void derive(const PopList& pops, const RegionTable& regions, CityFile& file);

    std::vector<CityEntry> m_entries;
    TextArena m_text;
    bool m_derived = false;
};

} // namespace tarvo
