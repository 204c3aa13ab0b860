#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tarvo {

// One line of "region.txt".
struct RegionEntry {
    std::string countryCode; // the country (its code in the country table)
    std::string regionCode;  // matched against a POP's REGION
    std::string name;
    std::string altName;     // copied into the city table
};

// The regions (states) of "region.txt", in file order.
class RegionTable final {
public:
    RegionTable() = default;
    RegionTable(const RegionTable&) = delete;
    RegionTable& operator=(const RegionTable&) = delete;
    ~RegionTable() = default;

    // False when the file cannot be opened (the table is then empty).
    [[nodiscard]] bool load(const std::string& path);

    // The first entry whose regionCode equals `regionCode`, or nullptr.
    [[nodiscard]] const RegionEntry* find(std::string_view regionCode) const;

    void clear();

    [[nodiscard]] std::size_t size() const { return m_entries.size(); }
    [[nodiscard]] bool empty() const { return m_entries.empty(); }
    auto begin() const { return m_entries.begin(); }
    auto end() const { return m_entries.end(); }

private:
    std::vector<RegionEntry> m_entries;
    // regionCode -> index of its first entry; the city derivation asks once
    // per city, so a walk of the table each time would not do.
    std::unordered_map<std::string_view, std::size_t> m_byCode;
};

} // namespace tarvo
