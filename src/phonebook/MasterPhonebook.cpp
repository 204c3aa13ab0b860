#include "phonebook/MasterPhonebook.h"

#include "phonebook/ExpandCompressedPhonebook.h"

namespace tarvo {

MasterPhonebook::MasterPhonebook(std::string dialerHome, FrontEnd& frontEnd, std::string countryRulesPath,
                                 CountryQuery& query)
    : m_dialerHome(std::move(dialerHome)),
      m_frontEnd(frontEnd),
      m_query(query),
      m_caption(kDefaultCaption),
      m_rules(m_dialerHome, std::move(countryRulesPath), query)
{
}

MasterPhonebook::~MasterPhonebook() = default;

std::string MasterPhonebook::dialerFile(std::string_view name) const
{
    if (m_dialerHome.empty())
        return std::string(name);
    std::string path = m_dialerHome;
    if (path.back() != '/')
        path.push_back('/');
    path.append(name);
    return path;
}

int MasterPhonebook::Load(std::string& errorText)
{
    auto unableToOpen = [&errorText](std::string_view name) {
        errorText = "Error: Unable to open: ";
        errorText.append(name);
        return -1;
    };

    if (m_regions.Load(dialerFile("region.txt")) != 0)
        return unableToOpen("region.txt");

    // A "pbook.txt" that is not a phonebook is taken to be compressed.
    const std::string pbook = dialerFile("pbook.txt");
    if (m_pops.LoadFile(1, pbook, 1) != 0) {
        if (ExpandCompressedPhonebook(pbook, m_frontEnd, m_caption) != 0 || m_pops.LoadFile(1, pbook, 1) != 0)
            return unableToOpen("pbook.txt");
    }

    // The customer phonebook is optional.
    (void)m_pops.LoadFile(0, dialerFile("cbook.txt"), 0);

    m_cities.LoadOrBuild(dialerFile("city.txt"), m_pops, m_regions);

    if (m_countries.Load(dialerFile("countryp.txt"), dialerFile("country.txt"), m_cities, m_rules, m_query) != 0)
        return unableToOpen("country.txt");

    int readBack = m_readBack ? m_readBack(m_pops) : 0;
    if (readBack == kDeviceUnreachable) {
        errorText = "Unable to connect to the device, please check the connection.";
        return -1;
    }
    if (readBack == 1) {
        errorText = "An error occured while reading CE phonebook";
        return -1;
    }
    return 0;
}

} // namespace tarvo
