#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace tarvo {

// The 28 columns of a POP line, in their canonical order: the order of the
// writer and of a line that has no "#HDR" header.
enum class PopColumn : unsigned char {
    COUNTRY,
    REGION,
    CITY,
    AREA_CODE,
    PHONE_NUMBER,
    POP,
    SCRIPT,
    PREFIX,
    SUFFIX,
    DOW,
    TIME_START,
    TIME_END,
    USAGE_START,
    USAGE_END,
    PRICE,
    MAX_SPEED,
    ISDN,
    PAP,
    CHAP,
    STATIC_DNS,
    DNS_IP,
    QOS,
    SUPPORT_PHONE,
    SUPPORT_MESG,
    ALL_CITY,
    SORT_ORDER,
    MEDIA,
    BILL_CODE,
};

inline constexpr int kPopColumnCount = 28;

// The names a "#HDR" line uses, exact and case-sensitive.
inline constexpr std::array<std::string_view, kPopColumnCount> kPopColumnNames = {
    "COUNTRY", "REGION",   "CITY",       "AREA_CODE",  "PHONE_NUMBER", "POP",     "SCRIPT",
    "PREFIX",  "SUFFIX",   "DOW",        "TIME_START", "TIME_END",     "USAGE_START", "USAGE_END",
    "PRICE",   "MAX_SPEED", "ISDN",      "PAP",        "CHAP",         "STATIC_DNS", "DNS_IP",
    "QOS",     "SUPPORT_PHONE", "SUPPORT_MESG", "ALL_CITY", "SORT_ORDER", "MEDIA", "BILL_CODE",
};

constexpr int columnIndex(PopColumn column)
{
    return static_cast<int>(column);
}

constexpr std::string_view columnName(PopColumn column)
{
    return kPopColumnNames[static_cast<std::size_t>(column)];
}

constexpr std::optional<PopColumn> findColumn(std::string_view name)
{
    for (std::size_t i = 0; i < kPopColumnNames.size(); ++i)
        if (kPopColumnNames[i] == name)
            return static_cast<PopColumn>(i);
    return std::nullopt;
}

// Integer columns are held as 32-bit signed numbers; the others as text.
constexpr bool isNumberColumn(PopColumn column)
{
    switch (column) {
    case PopColumn::DOW:
    case PopColumn::TIME_START:
    case PopColumn::TIME_END:
    case PopColumn::USAGE_START:
    case PopColumn::USAGE_END:
    case PopColumn::MAX_SPEED:
    case PopColumn::ISDN:
    case PopColumn::PAP:
    case PopColumn::CHAP:
    case PopColumn::STATIC_DNS:
    case PopColumn::QOS:
    case PopColumn::ALL_CITY:
    case PopColumn::SORT_ORDER:
        return true;
    default:
        return false;
    }
}

inline constexpr int kPopNumberColumnCount = 13;
inline constexpr int kPopTextColumnCount = kPopColumnCount - kPopNumberColumnCount;

} // namespace tarvo
