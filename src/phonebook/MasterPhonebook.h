#pragma once

#include "dialing/DialingRules.h"
#include "phonebook/CityTable.h"
#include "phonebook/CountryTable.h"
#include "phonebook/HandheldReadBack.h"
#include "phonebook/PopList.h"
#include "phonebook/RegionTable.h"

#include <string>
#include <string_view>

namespace tarvo {

class CountryQuery;
class FrontEnd;

// The desktop's copy of every POP the dialer knows, with the region, city and
// country tables, loaded once at start-up from the dialer's folder.
class MasterPhonebook final {
public:
    // The dialer's files this phonebook reads (and writes, the derived
    // "city.txt" and "countryp.txt"), in its folder.
    static constexpr std::string_view kRegionFile = "region.txt";
    static constexpr std::string_view kPhonebookFile = "pbook.txt";
    static constexpr std::string_view kCustomerFile = "cbook.txt";
    static constexpr std::string_view kCityFile = "city.txt";
    static constexpr std::string_view kCountryFile = "country.txt";
    static constexpr std::string_view kEnrichedCountryFile = "countryp.txt";

    // Where a load stopped; Loaded is success.
    enum class LoadStatus {
        Loaded,
        NoRegions,          // "region.txt" cannot be opened
        NoPhonebook,        // "pbook.txt" is no phonebook, also once expanded
        NoCountries,        // neither country file can be opened
        NoDevice,           // the read-back found no handheld
        HandheldUnreadable, // the read-back's copy is no phonebook
    };
    // A load's outcome with the message start-up shows for it ("" when loaded).
    struct LoadResult {
        LoadStatus status = LoadStatus::Loaded;
        std::string errorText;
        [[nodiscard]] bool ok() const { return status == LoadStatus::Loaded; }
    };

    // `dialerHome`: the dialer's folder; `countryRulesPath`: where the
    // handheld's "dr_country.txt" is written (normally the current folder).
    MasterPhonebook(std::string dialerHome, FrontEnd& frontEnd, std::string countryRulesPath, CountryQuery& query);
    MasterPhonebook(const MasterPhonebook&) = delete;
    MasterPhonebook& operator=(const MasterPhonebook&) = delete;
    ~MasterPhonebook();

    // Also removes what a killed run left beside the files it writes: call
    // it only while no other copy can be writing them.
    [[nodiscard]] LoadResult load();

    // Set by the owner before Load; unset, nothing is read back (Marked).
    void setReadBack(HandheldReadBack readBack) { m_readBack = std::move(readBack); }
    // What the last Load's read-back found (a copy that failed otherwise
    // than for want of a device or a phonebook lets the load succeed).
    const ReadBackOutcome& readBackOutcome() const { return m_readBackOutcome; }

    PopList& pops() { return m_pops; }
    const PopList& pops() const { return m_pops; }
    const CountryTable& countries() const { return m_countries; }
    const CityTable& cities() const { return m_cities; }
    const RegionTable& regions() const { return m_regions; }

    // A file of the dialer's folder.
    [[nodiscard]] std::string dialerFile(std::string_view name) const;

private:
    void removeLeftovers() const;

    std::string m_dialerHome;
    FrontEnd& m_frontEnd;
    CountryQuery& m_query;
    DialingRules m_rules;
    HandheldReadBack m_readBack;
    ReadBackOutcome m_readBackOutcome;

    PopList m_pops;
    CountryTable m_countries;
    CityTable m_cities;
    RegionTable m_regions;
};

} // namespace tarvo
