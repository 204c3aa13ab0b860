#include "genbook/PopWriter.h"

#include "genbook/Countries.h"
#include "genbook/Random.h"
#include "genbook/Sink.h"

#include <cstdint>

namespace tarvo::genbook {

const std::array<std::string_view, kBookColumns> kBookColumnNames = {
    "COUNTRY",  "REGION",   "CITY",      "AREA_CODE",  "PHONE_NUMBER", "POP",          "SCRIPT",
    "PREFIX",   "SUFFIX",   "DOW",       "TIME_START", "TIME_END",     "USAGE_START",  "USAGE_END",
    "PRICE",    "MAX_SPEED", "ISDN",     "PAP",        "CHAP",         "STATIC_DNS",   "DNS_IP",
    "QOS",      "SUPPORT_PHONE", "SUPPORT_MESG", "ALL_CITY", "SORT_ORDER", "MEDIA",    "BILL_CODE"};

namespace {

enum Column : std::size_t {
    kCountry, kRegion, kCity, kAreaCode, kPhone, kPop, kScript, kPrefix, kSuffix, kDow, kTimeStart, kTimeEnd,
    kUsageStart, kUsageEnd, kPrice, kMaxSpeed, kIsdn, kPap, kChap, kStaticDns, kDnsIp, kQos, kSupportPhone,
    kSupportMesg, kAllCity, kSortOrder, kMedia, kBillCode
};

constexpr std::array<const char*, 5> kPrices = {"0.00", "0.02", "0.05", "0.10", "1.50"};
constexpr std::array<const char*, 3> kBillCodes = {"STD", "PRM", "LOC"};

} // namespace

int PopWriter::write(Sink& sink, const Country& country, const Place& place, std::string_view popId, bool pair)
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
    const std::string usageEndText = std::to_string(usageEnd);
    const std::string sortOrderText = std::to_string(sortOrder);
    int lines = 0;
    for (int variant = 0; variant < (pair ? 2 : 1); ++variant) {
        bool isdn = variant == 1;
        std::array<std::string_view, kBookColumns> cols{};
        cols[kCountry] = country.code;
        cols[kRegion] = place.regionCode;
        cols[kCity] = place.city;
        cols[kAreaCode] = place.areaCode;
        // The ISDN access of a pair is a neighbouring number.
        const std::string number =
            isdn ? phone.substr(0, phone.size() - 1) + static_cast<char>('0' + m_random.below(10)) : phone;
        cols[kPhone] = number;
        cols[kPop] = popId;
        cols[kScript] = m_random.below(10) == 0 ? "login.scp" : "";
        cols[kDow] = "127";
        cols[kTimeStart] = "0";
        cols[kTimeEnd] = "2400";
        cols[kUsageStart] = "0";
        cols[kUsageEnd] = usageEndText;
        cols[kPrice] = price;
        cols[kMaxSpeed] = isdn ? "64000" : "56000";
        cols[kIsdn] = isdn ? "1" : "0";
        cols[kPap] = "1";
        cols[kChap] = chap ? "1" : "0";
        cols[kStaticDns] = staticDns ? "1" : "0";
        cols[kDnsIp] = dnsIp;
        const std::string qos = std::to_string(50 + m_random.below(51));
        cols[kQos] = qos;
        cols[kSupportPhone] = country.supportPhone;
        cols[kSupportMesg] = "Call the help desk";
        cols[kAllCity] = allCity ? "1" : "0";
        cols[kSortOrder] = sortOrderText;
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

std::string PopWriter::phoneNumber(const Country& country)
{
    std::string digits;
    for (int i = 0; i < country.localDigits; ++i)
        digits += static_cast<char>('0' + (i == 0 ? 2 + m_random.below(8) : m_random.below(10)));
    std::size_t split = country.localDigits == 7 ? 3 : 4;
    return digits.substr(0, split) + "-" + digits.substr(split);
}

} // namespace tarvo::genbook
