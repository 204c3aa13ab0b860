#pragma once

#include "dialing/CountryList.h"
#include "dialing/TelephonyLibrary.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace tarvo {

// The telephony API's answer layout: a LINECOUNTRYLIST header followed by
// LINECOUNTRYENTRY records and their texts; every offset counts from the
// start of the result buffer. Little-endian 32-bit members, as on the desktop.
struct LineCountryList {
    std::uint32_t dwTotalSize;
    std::uint32_t dwNeededSize;
    std::uint32_t dwUsedSize;
    std::uint32_t dwNumCountries;
    std::uint32_t dwCountryListSize;
    std::uint32_t dwCountryListOffset;
};

struct LineCountryEntry {
    std::uint32_t dwCountryID;
    std::uint32_t dwCountryCode;
    std::uint32_t dwNextCountryID;
    std::uint32_t dwCountryNameSize;
    std::uint32_t dwCountryNameOffset;
    std::uint32_t dwSameAreaRuleSize;
    std::uint32_t dwSameAreaRuleOffset;
    std::uint32_t dwLongDistanceRuleSize;
    std::uint32_t dwLongDistanceRuleOffset;
    std::uint32_t dwInternationalRuleSize;
    std::uint32_t dwInternationalRuleOffset;
};

// The telephony country list. Asked to, it asks the desktop's telephony
// library first (TelephonyLibrary: "TAPI32.DLL" on Windows, none on Linux);
// whatever it cannot answer, or answers with an error or a list that does
// not hold together, is answered from the country-list data file installed
// with the program (the environment may name another one). When the file
// cannot be read either, every call answers kUnavailable, and that is
// remembered for the run (no retry).
//
// Both entry points store the texts as 8-bit bytes, NUL-terminated, sizes
// counting the NUL: the program reads every text of the answer as 8-bit
// text, whichever entry point it asked, so the wide entry point answers in
// the same form instead of UTF-16.
class CountryQuery final {
public:
    static constexpr std::int32_t kUnavailable = static_cast<std::int32_t>(0x80000049);
    static constexpr std::int32_t kBadCountryId = static_cast<std::int32_t>(0x80000065); // LINEERR_INVALCOUNTRYCODE
    static constexpr std::int32_t kStructureTooSmall = static_cast<std::int32_t>(0x8000004D); // LINEERR_STRUCTURETOOSMALL
    static constexpr std::int32_t kInvalidPointer = static_cast<std::int32_t>(0x80000035); // LINEERR_INVALPOINTER
    static constexpr std::int32_t kOperationFailed = static_cast<std::int32_t>(0x80000048); // LINEERR_OPERATIONFAILED

    static constexpr std::size_t kHeaderSize = 24;  // sizeof(LINECOUNTRYLIST)
    static constexpr std::size_t kEntrySize = 44;   // sizeof(LINECOUNTRYENTRY)

    // The country-list file installed with the program.
    static constexpr const char* kDataFileName = "telephony-countries.csv";

    // `dataFile` empty: the installed file. `askTelephony`: the desktop's
    // telephony library answers first.
    explicit CountryQuery(std::string dataFile = {}, bool askTelephony = false);
    CountryQuery(const CountryQuery&) = delete;
    CountryQuery& operator=(const CountryQuery&) = delete;
    ~CountryQuery();

    // Fill `buffer` (its first member, dwTotalSize, set by the caller) with
    // the list for `countryId` (0: every country). Returns 0 or an error
    // code; dwNeededSize above dwTotalSize means the answer did not fit, and
    // then only the header was written. A dwTotalSize below the header size
    // gives kStructureTooSmall, one above the span's size kInvalidPointer.
    std::int32_t lineGetCountry(std::uint32_t countryId, std::uint32_t apiVersion, std::span<std::byte> buffer);
    std::int32_t lineGetCountryA(std::uint32_t countryId, std::uint32_t apiVersion, std::span<std::byte> buffer);

    // The first entry of a successful query into a buffer of `bufferSize`
    // bytes, read back with every offset checked against the buffer; empty
    // when the query fails, reports a needed size above the buffer, or an
    // offset points outside it.
    std::optional<TelephonyCountry> query(std::uint32_t countryId, std::uint32_t apiVersion, std::size_t bufferSize,
                                     bool ansiEntryPoint = false);

    // The first entry of an answer already in `buffer`, every offset and size
    // checked against the buffer and its dwTotalSize; empty when the answer
    // reports a needed size above its total size, holds no entry, or points
    // outside the buffer. Texts end at their first NUL.
    static std::optional<TelephonyCountry> readFirstEntry(std::span<const std::byte> buffer);

    // The data file the first query reads (or read): the constructor's
    // argument, else $TARVO_COUNTRY_LIST, else the file installed beside the
    // program (the source tree's copy for a program in the build tree).
    [[nodiscard]] std::string dataFile() const;
    // Loads the list if that was not tried yet; false when it is unavailable.
    bool available();

    // True when the answer in `buffer` holds together: its sizes within its
    // total size, and every entry and text inside the part it says it used.
    static bool wellFormed(std::span<const std::byte> buffer);

private:
    std::int32_t answer(std::uint32_t countryId, std::span<std::byte> buffer);
    // The telephony library's answer when it gives a good one.
    std::optional<std::int32_t> askTelephony(TelephonyLibrary::EntryPoint entryPoint, std::uint32_t countryId,
                                             std::uint32_t apiVersion, std::span<std::byte> buffer);

    std::string m_dataFile;
    bool m_askTelephony = false;
    TelephonyLibrary m_telephony;
    std::optional<CountryList> m_list;
    bool m_loadTried = false;
};

} // namespace tarvo
