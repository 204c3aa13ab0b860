#pragma once

#include "dialing/DialingRules.h"
#include "phonebook/CityTable.h"
#include "phonebook/CountryTable.h"
#include "phonebook/PopList.h"
#include "phonebook/RegionTable.h"

#include <functional>
#include <string>
#include <string_view>

namespace tarvo {

class CountryQuery;
class FrontEnd;

// The desktop's copy of every POP the dialer knows, with the region, city and
// country tables, loaded once at start-up from the dialer's folder.
class MasterPhonebook final {
public:
    // The handheld read-back that ends the load: marks the POPs the device
    // already carries and answers 0, 1 (not a phonebook) or
    // kDeviceUnreachable; any other code is not reported.
    using ReadBack = std::function<int(PopList&)>;

    // E_FAIL, the status of a device that does not answer.
    static constexpr int kDeviceUnreachable = static_cast<int>(0x80004005U);

    // `dialerHome`: the dialer's folder; `countryRulesPath`: where the
    // handheld's "dr_country.txt" is written (normally the current folder).
    MasterPhonebook(std::string dialerHome, FrontEnd& frontEnd, std::string countryRulesPath, CountryQuery& query);
    MasterPhonebook(const MasterPhonebook&) = delete;
    MasterPhonebook& operator=(const MasterPhonebook&) = delete;
    ~MasterPhonebook();

    // 0, or -1 with `errorText` set to the message start-up shows.
    [[nodiscard]] int Load(std::string& errorText);

    // Set by the owner before Load; unset, the read-back answers 0.
    void setReadBack(ReadBack readBack) { m_readBack = std::move(readBack); }
    // Caption of the message boxes the phonebook expansion shows (the
    // profile's application name).
    void setCaption(std::string caption) { m_caption = std::move(caption); }

    PopList& pops() { return m_pops; }
    const PopList& pops() const { return m_pops; }
    const CountryTable& countries() const { return m_countries; }
    const CityTable& cities() const { return m_cities; }
    const RegionTable& regions() const { return m_regions; }

    // A file of the dialer's folder.
    [[nodiscard]] std::string dialerFile(std::string_view name) const;

private:
    std::string m_dialerHome;
    FrontEnd& m_frontEnd;
    CountryQuery& m_query;
    std::string m_caption;
    DialingRules m_rules;
    ReadBack m_readBack;

    PopList m_pops;
    CountryTable m_countries;
    CityTable m_cities;
    RegionTable m_regions;
};

} // namespace tarvo
