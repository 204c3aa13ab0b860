#include "dialing/CountryQuery.h"

#include "support/InstalledData.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

namespace tarvo {

static_assert(sizeof(LineCountryList) == CountryQuery::kHeaderSize);
static_assert(sizeof(LineCountryEntry) == CountryQuery::kEntrySize);

namespace {


// Member offsets of the two records (their layout is fixed by the API).
constexpr std::size_t kTotalSizeAt = 0;
constexpr std::size_t kNeededSizeAt = 4;
constexpr std::size_t kUsedSizeAt = 8;
constexpr std::size_t kNumCountriesAt = 12;
constexpr std::size_t kListSizeAt = 16;
constexpr std::size_t kListOffsetAt = 20;

constexpr std::size_t kEntryIdAt = 0;
constexpr std::size_t kEntryCodeAt = 4;
constexpr std::size_t kEntryNextAt = 8;
constexpr std::size_t kEntryNameAt = 12;      // size, then offset
constexpr std::size_t kEntrySameAreaAt = 20;
constexpr std::size_t kEntryLongDistanceAt = 28;
constexpr std::size_t kEntryInternationalAt = 36;

std::uint32_t get32(std::span<const std::byte> buffer, std::size_t at)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value |= static_cast<std::uint32_t>(std::to_integer<unsigned>(buffer[at + i])) << (8 * i);
    return value;
}

// Writes into the first `limit` bytes of a buffer and refuses anything past
// them, so a wrong size computation can never write outside the caller's memory.
class BoundedWriter final {
public:
    BoundedWriter(std::span<std::byte> buffer, std::size_t limit)
        : m_buffer(buffer.first(std::min(limit, buffer.size())))
    {
    }

    bool put32(std::size_t at, std::uint32_t value)
    {
        if (at > m_buffer.size() || m_buffer.size() - at < 4)
            return m_ok = false;
        for (std::size_t i = 0; i < 4; ++i)
            m_buffer[at + i] = static_cast<std::byte>((value >> (8 * i)) & 0xFFu);
        return true;
    }

    // The text and its NUL at `at`.
    bool putText(std::size_t at, std::string_view text)
    {
        if (at > m_buffer.size() || m_buffer.size() - at < text.size() + 1)
            return m_ok = false;
        if (!text.empty())
            std::memcpy(m_buffer.data() + at, text.data(), text.size());
        m_buffer[at + text.size()] = std::byte{0};
        return true;
    }

    [[nodiscard]] bool ok() const { return m_ok; }

private:
    std::span<std::byte> m_buffer;
    bool m_ok = true;
};

// The text of a (size, offset) pair of an entry, or empty when it points
// outside the first `limit` bytes.
std::optional<std::string> readText(std::span<const std::byte> buffer, std::size_t limit, std::size_t entryAt,
                                    std::size_t pairAt)
{
    std::uint64_t size = get32(buffer, entryAt + pairAt);
    std::uint64_t offset = get32(buffer, entryAt + pairAt + 4);
    if (size == 0)
        return std::string();
    if (offset > limit || size > limit - offset)
        return std::nullopt;
    const char* begin = reinterpret_cast<const char*>(buffer.data()) + offset;
    std::size_t length = static_cast<std::size_t>(size);
    const void* nul = std::memchr(begin, '\0', length);
    if (nul)
        length = static_cast<std::size_t>(static_cast<const char*>(nul) - begin);
    return std::string(begin, length);
}

} // namespace

CountryQuery::CountryQuery(std::string dataFile, bool askTelephony)
    : m_dataFile(std::move(dataFile)), m_askTelephony(askTelephony)
{
}

CountryQuery::~CountryQuery() = default;

std::string CountryQuery::dataFile() const
{
    if (!m_dataFile.empty())
        return m_dataFile;
    return InstalledData::path(kDataFileName);
}

bool CountryQuery::available()
{
    if (!m_loadTried) {
        m_loadTried = true;
        m_list = CountryList::load(dataFile());
    }
    return m_list.has_value();
}

std::int32_t CountryQuery::lineGetCountry(std::uint32_t countryId, std::uint32_t apiVersion, std::span<std::byte> buffer)
{
    if (std::optional<std::int32_t> system =
            askTelephony(TelephonyLibrary::EntryPoint::LineGetCountry, countryId, apiVersion, buffer))
        return *system;
    return answer(countryId, buffer);
}

std::int32_t CountryQuery::lineGetCountryA(std::uint32_t countryId, std::uint32_t apiVersion,
                                           std::span<std::byte> buffer)
{
    if (std::optional<std::int32_t> system =
            askTelephony(TelephonyLibrary::EntryPoint::LineGetCountryA, countryId, apiVersion, buffer))
        return *system;
    return answer(countryId, buffer);
}

std::optional<std::int32_t> CountryQuery::askTelephony(TelephonyLibrary::EntryPoint entryPoint,
                                                       std::uint32_t countryId, std::uint32_t apiVersion,
                                                       std::span<std::byte> buffer)
{
    // The library writes as far as the total size says: never past the span.
    if (!m_askTelephony || buffer.size() < kHeaderSize || get32(buffer, kTotalSizeAt) > buffer.size())
        return std::nullopt;
    const std::int32_t result = m_telephony.lineGetCountry(entryPoint, countryId, apiVersion, buffer);
    if (result != 0 || !wellFormed(buffer))
        return std::nullopt;
    return result;
}

bool CountryQuery::wellFormed(std::span<const std::byte> buffer)
{
    if (buffer.size() < kHeaderSize)
        return false;
    const std::uint64_t total = std::min<std::uint64_t>(get32(buffer, kTotalSizeAt), buffer.size());
    const std::uint64_t needed = get32(buffer, kNeededSizeAt);
    const std::uint64_t used = get32(buffer, kUsedSizeAt);
    const std::uint64_t count = get32(buffer, kNumCountriesAt);
    // Too small a buffer: the header alone, telling what to ask for.
    if (needed > total)
        return count == 0;
    if (used < kHeaderSize || used > total || used > needed)
        return false;
    const std::uint64_t entries = get32(buffer, kListOffsetAt);
    const std::uint64_t entriesEnd = entries + count * kEntrySize;
    if (count == 0 || entries < kHeaderSize || entriesEnd > used)
        return false;
    for (std::uint64_t i = 0; i < count; ++i) {
        const auto entryAt = static_cast<std::size_t>(entries + i * kEntrySize);
        for (std::size_t pairAt : {kEntryNameAt, kEntrySameAreaAt, kEntryLongDistanceAt, kEntryInternationalAt}) {
            const std::uint64_t size = get32(buffer, entryAt + pairAt);
            const std::uint64_t offset = get32(buffer, entryAt + pairAt + 4);
            if (size != 0 && (offset < entriesEnd || offset + size > used))
                return false;
        }
    }
    return true;
}

std::int32_t CountryQuery::answer(std::uint32_t countryId, std::span<std::byte> buffer)
{
    if (!available())
        return kUnavailable;
    if (buffer.size() < kHeaderSize)
        return buffer.size() < 4 ? kInvalidPointer : kStructureTooSmall;
    std::uint32_t total = get32(buffer, kTotalSizeAt);
    if (total < kHeaderSize)
        return kStructureTooSmall;
    if (total > buffer.size())
        return kInvalidPointer;

    std::vector<const TelephonyCountry*> chosen;
    if (countryId == 0) {
        chosen.reserve(m_list->entries().size());
        for (const TelephonyCountry& entry : m_list->entries())
            chosen.push_back(&entry);
    } else if (const TelephonyCountry* entry = m_list->find(countryId)) {
        chosen.push_back(entry);
    } else {
        return kBadCountryId;
    }

    std::uint64_t needed = kHeaderSize + std::uint64_t{kEntrySize} * chosen.size();
    for (const TelephonyCountry* entry : chosen)
        needed += entry->name.size() + entry->sameAreaRule.size() + entry->longDistanceRule.size()
                  + entry->internationalRule.size() + 4;
    if (needed > std::numeric_limits<std::uint32_t>::max())
        return kOperationFailed;

    BoundedWriter out(buffer, total);
    out.put32(kNeededSizeAt, static_cast<std::uint32_t>(needed));
    if (needed > total) {
        // Like the desktop: only the header, telling the caller what to ask for.
        out.put32(kUsedSizeAt, static_cast<std::uint32_t>(kHeaderSize));
        out.put32(kNumCountriesAt, 0);
        out.put32(kListSizeAt, 0);
        out.put32(kListOffsetAt, 0);
        return out.ok() ? 0 : kOperationFailed;
    }

    auto count = static_cast<std::uint32_t>(chosen.size());
    out.put32(kUsedSizeAt, static_cast<std::uint32_t>(needed));
    out.put32(kNumCountriesAt, count);
    out.put32(kListSizeAt, static_cast<std::uint32_t>(kEntrySize * chosen.size()));
    out.put32(kListOffsetAt, static_cast<std::uint32_t>(kHeaderSize));

    std::size_t entryAt = kHeaderSize;
    std::size_t textAt = kHeaderSize + kEntrySize * chosen.size();
    auto putText = [&](std::size_t pairAt, const std::string& text) {
        auto size = static_cast<std::uint32_t>(text.size() + 1);
        out.put32(entryAt + pairAt, size);
        out.put32(entryAt + pairAt + 4, static_cast<std::uint32_t>(textAt));
        out.putText(textAt, text);
        textAt += size;
    };
    for (const TelephonyCountry* entry : chosen) {
        out.put32(entryAt + kEntryIdAt, entry->countryId);
        out.put32(entryAt + kEntryCodeAt, entry->countryCode);
        out.put32(entryAt + kEntryNextAt, entry->nextCountryId);
        putText(kEntryNameAt, entry->name);
        putText(kEntrySameAreaAt, entry->sameAreaRule);
        putText(kEntryLongDistanceAt, entry->longDistanceRule);
        putText(kEntryInternationalAt, entry->internationalRule);
        entryAt += kEntrySize;
    }
    return out.ok() ? 0 : kOperationFailed;
}

std::optional<TelephonyCountry> CountryQuery::query(std::uint32_t countryId, std::uint32_t apiVersion,
                                               std::size_t bufferSize, bool ansiEntryPoint)
{
    if (bufferSize < kHeaderSize || bufferSize > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    std::vector<std::byte> buffer(bufferSize);
    BoundedWriter(buffer, bufferSize).put32(kTotalSizeAt, static_cast<std::uint32_t>(bufferSize));
    std::int32_t result = ansiEntryPoint ? lineGetCountryA(countryId, apiVersion, buffer)
                                         : lineGetCountry(countryId, apiVersion, buffer);
    if (result != 0)
        return std::nullopt;
    return readFirstEntry(buffer);
}

std::optional<TelephonyCountry> CountryQuery::readFirstEntry(std::span<const std::byte> buffer)
{
    if (buffer.size() < kHeaderSize)
        return std::nullopt;
    std::size_t total = get32(buffer, kTotalSizeAt);
    std::uint32_t needed = get32(buffer, kNeededSizeAt);
    if (needed > total || get32(buffer, kNumCountriesAt) == 0)
        return std::nullopt;
    std::size_t limit = std::min(total, buffer.size());
    std::size_t entryAt = get32(buffer, kListOffsetAt);
    if (entryAt > limit || limit - entryAt < kEntrySize)
        return std::nullopt;

    TelephonyCountry info;
    info.countryId = get32(buffer, entryAt + kEntryIdAt);
    info.countryCode = get32(buffer, entryAt + kEntryCodeAt);
    info.nextCountryId = get32(buffer, entryAt + kEntryNextAt);
    std::optional<std::string> name = readText(buffer, limit, entryAt, kEntryNameAt);
    std::optional<std::string> sameArea = readText(buffer, limit, entryAt, kEntrySameAreaAt);
    std::optional<std::string> longDistance = readText(buffer, limit, entryAt, kEntryLongDistanceAt);
    std::optional<std::string> international = readText(buffer, limit, entryAt, kEntryInternationalAt);
    if (!name || !sameArea || !longDistance || !international)
        return std::nullopt;
    info.name = std::move(*name);
    info.sameAreaRule = std::move(*sameArea);
    info.longDistanceRule = std::move(*longDistance);
    info.internationalRule = std::move(*international);
    return info;
}

} // namespace tarvo
