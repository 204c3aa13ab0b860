#include "genbook/Genbook.h"

#include "genbook/Random.h"
#include "genbook/Sink.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo::genbook {

namespace {


constexpr std::array<std::string_view, 28> kColumns = {
    "COUNTRY",  "REGION",   "CITY",      "AREA_CODE",  "PHONE_NUMBER", "POP",          "SCRIPT",
    "PREFIX",   "SUFFIX",   "DOW",       "TIME_START", "TIME_END",     "USAGE_START",  "USAGE_END",
    "PRICE",    "MAX_SPEED", "ISDN",     "PAP",        "CHAP",         "STATIC_DNS",   "DNS_IP",
    "QOS",      "SUPPORT_PHONE", "SUPPORT_MESG", "ALL_CITY", "SORT_ORDER", "MEDIA",    "BILL_CODE"};

enum Column : std::size_t {
    kCountry, kRegion, kCity, kAreaCode, kPhone, kPop, kScript, kPrefix, kSuffix, kDow, kTimeStart, kTimeEnd,
    kUsageStart, kUsageEnd, kPrice, kMaxSpeed, kIsdn, kPap, kChap, kStaticDns, kDnsIp, kQos, kSupportPhone,
    kSupportMesg, kAllCity, kSortOrder, kMedia, kBillCode
};

struct City {
    const char* name;
    const char* areaCode;
};

struct Region {
    const char* code; // empty: the country's POPs carry no region
    const char* name;
    const char* altName;
    std::vector<City> cities;
};

struct Country {
    const char* code;
    int tapiId;
    const char* name;
    int allCityOrder;
    int weight; // share of the POPs; 0: listed without POPs
    bool isdn;
    int localDigits;
    const char* supportPhone;
    std::vector<Region> regions;
};

const std::vector<Country>& countries()
{
    static const std::vector<Country> table = {
        {"US", 1, "United States", 1, 40, false, 7, "1-800-555-0199",
         {{"CA", "California", "Calif.", {{"Los Angeles", "213"}, {"San Francisco", "415"}, {"San Diego", "619"}, {"San Jose", "408"}}},
          {"NY", "New York", "N.Y.", {{"New York", "212"}, {"Buffalo", "716"}, {"Albany", "518"}}},
          {"TX", "Texas", "Tex.", {{"Houston", "713"}, {"Dallas", "214"}, {"Austin", "512"}, {"San Antonio", "210"}}},
          {"MA", "Massachusetts", "Mass.", {{"Boston", "617"}, {"Worcester", "508"}, {"Springfield", "413"}}},
          {"IL", "Illinois", "Ill.", {{"Chicago", "312"}, {"Springfield", "217"}, {"Peoria", "309"}}},
          {"WA", "Washington", "Wash.", {{"Seattle", "206"}, {"Spokane", "509"}, {"Tacoma", "253"}}},
          {"FL", "Florida", "Fla.", {{"Miami", "305"}, {"Orlando", "407"}, {"Tampa", "813"}}},
          {"GA", "Georgia", "Ga.", {{"Atlanta", "404"}, {"Savannah", "912"}}},
          {"CO", "Colorado", "Colo.", {{"Denver", "303"}, {"Boulder", "303"}}},
          {"AZ", "Arizona", "Ariz.", {{"Phoenix", "602"}, {"Tucson", "520"}}},
          {"PA", "Pennsylvania", "Pa.", {{"Philadelphia", "215"}, {"Pittsburgh", "412"}}},
          {"OR", "Oregon", "Ore.", {{"Portland", "503"}, {"Salem", "503"}}}}},
        {"CA", 2, "Canada", 1, 6, false, 7, "1-800-555-0123",
         {{"ON", "Ontario", "Ont.", {{"Toronto", "416"}, {"Ottawa", "613"}}},
          {"QC", "Quebec", "Qu\xE9.", {{"Montr\xE9" "al", "514"}, {"Qu\xE9" "bec", "418"}}},
          {"BC", "British Columbia", "B.C.", {{"Vancouver", "604"}, {"Victoria", "250"}}},
          {"AB", "Alberta", "Alta.", {{"Calgary", "403"}, {"Edmonton", "780"}}}}},
        {"GB", 44, "United Kingdom", 0, 10, true, 8, "0800 555 0100",
         {{"ENG", "England", "Eng.", {{"London", "20"}, {"Manchester", "161"}, {"Birmingham", "121"}, {"Leeds", "113"}}},
          {"SCT", "Scotland", "Scot.", {{"Edinburgh", "131"}, {"Glasgow", "141"}}},
          {"WLS", "Wales", "Cymru", {{"Cardiff", "29"}}},
          {"NIR", "Northern Ireland", "N.I.", {{"Belfast", "28"}}}}},
        {"DE", 49, "Germany", 0, 10, true, 7, "0800 5550100",
         {{"BY", "Bayern", "Bavaria", {{"M\xFCnchen", "89"}, {"N\xFCrnberg", "911"}}},
          {"BE", "Berlin", "Berlin", {{"Berlin", "30"}}},
          {"HH", "Hamburg", "Hamburg", {{"Hamburg", "40"}}},
          {"NW", "Nordrhein-Westfalen", "North Rhine-Westphalia", {{"K\xF6ln", "221"}, {"D\xFCsseldorf", "211"}, {"Dortmund", "231"}}},
          {"HE", "Hessen", "Hesse", {{"Frankfurt am Main", "69"}}}}},
        {"FR", 33, "France", 0, 8, true, 8, "0800 555 010",
         {{"IDF", "\xCEle-de-France", "Ile-de-France", {{"Paris", "1"}}},
          {"PAC", "Provence-Alpes-C\xF4te d'Azur", "PACA", {{"Marseille", "4"}, {"Nice", "4"}}},
          {"ARA", "Auvergne-Rh\xF4ne-Alpes", "Rhone-Alpes", {{"Lyon", "4"}, {"Grenoble", "4"}}},
          {"NAQ", "Nouvelle-Aquitaine", "Aquitaine", {{"Bordeaux", "5"}}}}},
        {"ES", 34, "Spain", 0, 5, true, 7, "900 555 010",
         {{"MD", "Madrid", "Comunidad de Madrid", {{"Madrid", "91"}}},
          {"CT", "Catalu\xF1" "a", "Catalonia", {{"Barcelona", "93"}}},
          {"AN", "Andaluc\xED" "a", "Andalusia", {{"Sevilla", "95"}, {"M\xE1laga", "95"}}},
          {"VC", "Valencia", "Comunitat Valenciana", {{"Valencia", "96"}}}}},
        {"JP", 81, "Japan", 0, 8, true, 8, "0120-555-010",
         {{"13", "Tokyo", "Tokyo-to", {{"Tokyo", "3"}}},
          {"27", "Osaka", "Osaka-fu", {{"Osaka", "6"}}},
          {"23", "Aichi", "Aichi-ken", {{"Nagoya", "52"}}},
          {"14", "Kanagawa", "Kanagawa-ken", {{"Yokohama", "45"}}}}},
        {"AU", 61, "Australia", 0, 5, true, 8, "1800 555 010",
         {{"NSW", "New South Wales", "N.S.W.", {{"Sydney", "2"}, {"Newcastle", "2"}}},
          {"VIC", "Victoria", "Vic.", {{"Melbourne", "3"}}},
          {"QLD", "Queensland", "Qld.", {{"Brisbane", "7"}}},
          {"WA", "Western Australia", "W.A.", {{"Perth", "8"}}}}},
        {"NL", 31, "Netherlands", 0, 4, true, 7, "0800 555 0100",
         {{"", "", "", {{"Amsterdam", "20"}, {"Rotterdam", "10"}, {"Utrecht", "30"}}}}},
        {"SG", 65, "Singapore", 0, 2, false, 8, "1800 555 0100", {{"", "", "", {{"Singapore", ""}}}}},
        {"IT", 39, "Italy", 0, 0, true, 8, "", {}},
        {"CH", 41, "Switzerland", 0, 0, true, 7, "", {}},
        {"BR", 55, "Brazil", 0, 0, false, 8, "", {}},
    };
    return table;
}

// Builds one POP line's columns and writes them in the file's column order.
class PopWriter final {
public:
    PopWriter(Random& random, const std::array<std::size_t, 28>& order) : m_random(random), m_order(order) {}

    // One POP (or a MODEM/ISDN pair) of `city`; returns the lines written.
    int write(Sink& sink, const Country& country, const Region& region, const City& city, std::string_view popId,
              bool pair)
    {
        std::string phone = phoneNumber(country);
        bool allCity = m_random.below(100) == 0;
        std::uint32_t sortOrder = m_random.below(10);
        std::uint32_t usageEnd = m_random.below(4) == 0 ? m_random.below(86400) : 86400;
        const char* price = kPrices[m_random.below(kPrices.size())];
        bool chap = m_random.below(2) == 1;
        bool staticDns = m_random.below(5) == 0;
        std::string dnsIp;
        if (staticDns)
            dnsIp = "10." + std::to_string(m_random.below(256)) + "." + std::to_string(m_random.below(256)) + "."
                    + std::to_string(1 + m_random.below(254));
        const char* bill = kBillCodes[m_random.below(kBillCodes.size())];
        int lines = 0;
        for (int variant = 0; variant < (pair ? 2 : 1); ++variant) {
            bool isdn = variant == 1;
            std::array<std::string, 28>& cols = m_cols; // reused: keeps its capacity
            cols[kCountry] = country.code;
            cols[kRegion] = region.code;
            cols[kCity] = city.name;
            cols[kAreaCode] = city.areaCode;
            // The ISDN access of a pair is a neighbouring number.
            cols[kPhone] = isdn ? phone.substr(0, phone.size() - 1) + static_cast<char>('0' + m_random.below(10))
                                : phone;
            cols[kPop] = popId;
            cols[kScript] = m_random.below(10) == 0 ? "login.scp" : "";
            cols[kDow] = "127";
            cols[kTimeStart] = "0";
            cols[kTimeEnd] = "2400";
            cols[kUsageStart] = "0";
            cols[kUsageEnd] = std::to_string(usageEnd);
            cols[kPrice] = price;
            cols[kMaxSpeed] = isdn ? "64000" : "56000";
            cols[kIsdn] = isdn ? "1" : "0";
            cols[kPap] = "1";
            cols[kChap] = chap ? "1" : "0";
            cols[kStaticDns] = staticDns ? "1" : "0";
            cols[kDnsIp] = dnsIp;
            cols[kQos] = std::to_string(50 + m_random.below(51));
            cols[kSupportPhone] = country.supportPhone;
            cols[kSupportMesg] = "Call the help desk";
            cols[kAllCity] = allCity ? "1" : "0";
            cols[kSortOrder] = std::to_string(sortOrder);
            cols[kMedia] = isdn ? "ISDN" : "MODEM";
            cols[kBillCode] = bill;
            std::string& out = sink.buffer();
            for (std::size_t i = 0; i < m_order.size(); ++i) {
                if (i > 0)
                    out += ',';
                out += cols[m_order[i]];
            }
            out += "\r\n";
            ++lines;
        }
        sink.maybeFlush();
        return lines;
    }

private:
    static constexpr std::array<const char*, 5> kPrices = {"0.00", "0.02", "0.05", "0.10", "1.50"};
    static constexpr std::array<const char*, 3> kBillCodes = {"STD", "PRM", "LOC"};

    std::string phoneNumber(const Country& country)
    {
        std::string digits;
        for (int i = 0; i < country.localDigits; ++i)
            digits += static_cast<char>('0' + (i == 0 ? 2 + m_random.below(8) : m_random.below(10)));
        std::size_t split = country.localDigits == 7 ? 3 : 4;
        return digits.substr(0, split) + "-" + digits.substr(split);
    }

    Random& m_random;
    const std::array<std::size_t, 28>& m_order;
    std::array<std::string, 28> m_cols;
};

std::string popIdText(std::string_view prefix, const char* code, std::uint64_t number, int width)
{
    std::string digits = std::to_string(number);
    std::string id(prefix);
    id += code;
    if (static_cast<int>(digits.size()) < width)
        id.append(static_cast<std::size_t>(width) - digits.size(), '0');
    return id + digits;
}

// Writes `total` POP lines spread over the countries with POPs, grouped by
// country, region and city in table order.
bool writePopFile(const std::string& path, const BookOptions& options, std::uint64_t total, Random& random,
                  const std::array<std::size_t, 28>& order, bool customer)
{
    Sink sink(path, options.gzip && !customer);
    sink.line("#VER " + std::to_string(options.ver));
    if (options.header || options.canonicalHeader) {
        std::string header = "#HDR ";
        for (std::size_t i = 0; i < order.size(); ++i) {
            if (i > 0)
                header += ',';
            header += kColumns[order[i]];
        }
        sink.line(header);
    }

    std::vector<const Country*> popCountries;
    std::uint64_t weightSum = 0;
    for (const Country& country : countries()) {
        if (country.weight > 0) {
            popCountries.push_back(&country);
            weightSum += static_cast<std::uint64_t>(country.weight);
        }
    }
    // Every country gets a line when there are enough, the rest by weight.
    std::vector<std::uint64_t> perCountry(popCountries.size(), 0);
    std::uint64_t left = total;
    for (std::size_t i = 0; i < popCountries.size() && left > 0; ++i, --left)
        perCountry[i] = 1;
    std::uint64_t spread = left;
    for (std::size_t i = 0; i < popCountries.size(); ++i) {
        std::uint64_t share = spread * static_cast<std::uint64_t>(popCountries[i]->weight) / weightSum;
        perCountry[i] += share;
        left -= share;
    }
    perCountry[0] += left;

    PopWriter writer(random, order);
    for (std::size_t c = 0; c < popCountries.size(); ++c) {
        const Country& country = *popCountries[c];
        std::vector<std::pair<const Region*, const City*>> cities;
        for (const Region& region : country.regions)
            for (const City& city : region.cities)
                cities.emplace_back(&region, &city);
        // Lines per city: the first city gets the first line (two in an ISDN
        // country, for its MODEM/ISDN pair), the rest go at random.
        std::vector<std::uint64_t> perCity(cities.size(), 0);
        perCity[0] = std::min<std::uint64_t>(perCountry[c], country.isdn ? 2 : 1);
        for (std::uint64_t i = perCity[0]; i < perCountry[c]; ++i)
            ++perCity[random.below(static_cast<std::uint32_t>(cities.size()))];
        std::uint64_t number = 0;
        bool firstPair = country.isdn;
        for (std::size_t k = 0; k < cities.size(); ++k) {
            std::uint64_t remaining = perCity[k];
            while (remaining > 0) {
                bool pair = country.isdn && remaining >= 2 && (firstPair || random.below(8) == 0);
                firstPair = firstPair && !pair;
                std::string id = customer ? popIdText("C", country.code, ++number, 6)
                                          : popIdText("", country.code, ++number, 7);
                remaining -= static_cast<std::uint64_t>(
                    writer.write(sink, country, *cities[k].first, *cities[k].second, id, pair));
            }
        }
    }
    return sink.finish();
}

bool writeTextFile(const std::string& path, const std::vector<std::string>& lines)
{
    Sink sink(path, false);
    for (const std::string& line : lines)
        sink.line(line);
    return sink.finish();
}

bool writeTables(const BookOptions& options)
{
    const std::string& dir = options.out;
    std::vector<std::string> regions;
    std::vector<std::string> countryLines;
    for (const Country& country : countries()) {
        countryLines.push_back(std::string(country.code) + "," + std::to_string(country.tapiId) + ","
                               + country.name + "," + std::to_string(country.allCityOrder));
        for (const Region& region : country.regions) {
            if (*region.code)
                regions.push_back(std::string(country.code) + "," + region.code + "," + region.name + ","
                                  + region.altName);
        }
    }
    std::vector<std::string> rules = {
        "; dialing rules: code,countryId,callingCode,sameArea,longDistance,international,fourth",
        "US,1,1,G, 1FG,011EFG, 1FG",
        "CA,2,1,G, 1FG,011EFG, 1FG",
        "GB,44,44,G,0FG,00EFG,0FG",
        "DE,49,49,G,0FG,00EFG,0FG",
        "JP,81,81,G,0FG,010EFG,0FG",
    };
    std::vector<std::string> areaCodes = {"; countryCode,areaCode,tollFree"};
    for (const Country& country : countries()) {
        if (country.tapiId != 1 && country.tapiId != 2)
            continue;
        for (const Region& region : country.regions)
            for (const City& city : region.cities)
                areaCodes.push_back("1," + std::string(city.areaCode) + ",0");
    }
    areaCodes.push_back("1,800,1");
    areaCodes.push_back("1,888,1");
    std::vector<std::string> config = {"[Profile]", "DialerVersionNo=" + options.dialerVersion,
                                       "ProfileName=Tarvo Connect"};
    return writeTextFile(dir + "/region.txt", regions) && writeTextFile(dir + "/country.txt", countryLines)
           && writeTextFile(dir + "/dr_country.txt", rules) && writeTextFile(dir + "/dr_areacode.txt", areaCodes)
           && writeTextFile(dir + "/config.ini", config);
}

} // namespace

bool writeInstallation(const BookOptions& options)
{
    if (options.layout == Layout::Scattered)
        return writeScatteredInstallation(options);
    std::error_code ec;
    std::filesystem::create_directories(options.out, ec);
    Random random(options.seed);
    std::array<std::size_t, 28> order{};
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    if (options.header) {
        for (std::size_t i = order.size() - 1; i > 0; --i)
            std::swap(order[i], order[random.below(static_cast<std::uint32_t>(i + 1))]);
    }

    std::uint64_t customers = options.pops * options.customerPercent / 100;
    if (customers == 0 && options.customerPercent > 0)
        customers = 1;
    bool ok = writeTables(options) && writePopFile(options.out + "/pbook.txt", options, options.pops, random, order, false);
    // The customer book has its own random stream so its content does not
    // depend on how many numbers the master book drew.
    Random customerRandom(options.seed ^ 0xC0FFEEULL);
    ok = ok && writePopFile(options.out + "/cbook.txt", options, customers, customerRandom, order, true);
    return ok;
}

} // namespace tarvo::genbook
