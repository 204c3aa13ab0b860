#include "phonebook/PopList.h"

#include "phonebook/PopSlots.h"
#include "support/FileHandle.h"
#include "support/LineCuts.h"
#include "support/LineReader.h"
#include "support/ShortBytes.h"
#include "support/SideBySide.h"
#include "support/Tokenizer.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <memory>
#include <new>
#include <utility>

#include <sys/stat.h>

namespace tarvo {

namespace {

// A record line is split into at most this many fields; the 29th, when
// present, holds the rest of the line and is not used.
constexpr int kMaxFields = kPopColumnCount + 1;

constexpr int kHoursDivisor = 3600;

constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;

// 0x80 in each byte of `word` that equals `c`, 0 elsewhere (exact, no
// borrow between bytes).
inline std::uint64_t bytesEqual(std::uint64_t word, unsigned char c)
{
    std::uint64_t x = word ^ (kOnes * c);
    return ~(((x & kLow7) + kLow7) | x | kLow7);
}

// The value of eight ASCII digits loaded little-endian (the first digit in
// the lowest byte), three multiplications instead of eight steps.
inline std::uint32_t eightDigits(std::uint64_t word)
{
    constexpr std::uint64_t kMask = 0x000000FF000000FFULL;
    constexpr std::uint64_t kMul1 = 100 + (1000000ULL << 32);
    constexpr std::uint64_t kMul2 = 1 + (10000ULL << 32);
    word -= 0x3030303030303030ULL;
    word = (word * 10) + (word >> 8);
    return static_cast<std::uint32_t>((((word & kMask) * kMul1) + (((word >> 16) & kMask) * kMul2)) >> 32);
}

// toInt32 of a field that ends before `lineEnd`. A field of one to eight
// plain digits, nearly every number of a phonebook, is read as one word
// when the line goes on for eight bytes from its start (the bytes after
// the field are shifted out unread), with the missing leading digits taken
// as zeros.
inline int fieldNumber(std::string_view field, const char* lineEnd)
{
    const std::size_t size = field.size();
    // Flags and small counts, half of a line's numbers, are one digit.
    if (size == 1 && static_cast<unsigned>(field[0] - '0') < 10)
        return field[0] - '0';
    if constexpr (std::endian::native == std::endian::little) {
        if (size - 1 < 8 && lineEnd - field.data() >= 8) {
            std::uint64_t word;
            std::memcpy(&word, field.data(), 8);
            word <<= 8 * (8 - size);
            if (size < 8)
                word |= 0x3030303030303030ULL >> (8 * size);
            constexpr std::uint64_t kHigh = 0xF0F0F0F0F0F0F0F0ULL;
            if (((word & kHigh) | (((word + 0x0606060606060606ULL) & kHigh) >> 4)) == 0x3333333333333333ULL)
                return static_cast<int>(eightDigits(word));
        }
    }
    return toInt32(field);
}

} // namespace

int PopList::splitLine(std::string_view line, std::string_view* fields, int max)
{
    line = StripCRLF(line);
    if (line.empty() || max <= 1)
        return ParseTokens(line, fields, max);
    // A block of bytes at a time: the commas' positions come out of a bit
    // mask, and a double quote anywhere hands the line to the tokenizer,
    // whose quoting rules then apply.
    const char* const begin = line.data();
    const std::size_t size = line.size();
    std::size_t start = 0;
    int count = 0;
    std::size_t at = 0;
    enum class Next { More, Done, Tokenizer };
    // The commas of the block at `blockStart`, one mask bit per byte shifted
    // left by `shift` (0 for one bit per byte, 3 for the top bit of each
    // byte of a word).
    auto takeCommas = [&](std::uint64_t commas, std::size_t blockStart, int shift) {
        for (; commas != 0; commas &= commas - 1) {
            const std::size_t comma = blockStart + static_cast<std::size_t>(std::countr_zero(commas) >> shift);
            fields[count++] = {begin + start, comma - start};
            start = comma + 1;
            if (count == max - 1) {
                // The last field is the rest of the line, quotes and all,
                // unless a quote opens it.
                if (line.find('"', start) != std::string_view::npos)
                    return Next::Tokenizer;
                fields[count++] = {begin + start, size - start};
                return Next::Done;
            }
        }
        return Next::More;
    };
#if defined(__SSE2__)
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i comma = _mm_set1_epi8(',');
    for (; at + 16 <= size; at += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(begin + at));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(block, quote)) != 0)
            return ParseTokens(line, fields, max);
        const auto commas = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, comma)));
        if (Next next = takeCommas(commas, at, 0); next != Next::More)
            return next == Next::Done ? count : ParseTokens(line, fields, max);
    }
#endif
    // The bit positions below count bytes from the low end of the word.
    const std::size_t wordsEnd = std::endian::native == std::endian::little ? size : 0;
    for (; at + 8 <= wordsEnd; at += 8) {
        std::uint64_t word;
        std::memcpy(&word, begin + at, 8);
        if (bytesEqual(word, '"') != 0)
            return ParseTokens(line, fields, max);
        if (Next next = takeCommas(bytesEqual(word, ','), at, 3); next != Next::More)
            return next == Next::Done ? count : ParseTokens(line, fields, max);
    }
    for (; at < size; ++at) {
        if (begin[at] == '"')
            return ParseTokens(line, fields, max);
        if (begin[at] != ',')
            continue;
        fields[count++] = {begin + start, at - start};
        start = at + 1;
        if (count == max - 1) {
            if (line.find('"', start) != std::string_view::npos)
                return ParseTokens(line, fields, max);
            break;
        }
    }
    fields[count++] = {begin + start, size - start};
    return count;
}

// What the record's layout is for: a million POPs in 72 MB plus their text.
static_assert(sizeof(void*) != 8 || sizeof(PopRecord) == 72);

PopList::Chunk::Chunk(std::size_t size) : records(makeLargeBlock<PopRecord>(size)), capacity(size)
{
}

PopList::Chunk::Chunk(Chunk&& other) noexcept
    : records(std::move(other.records)),
      first(std::exchange(other.first, 0)),
      used(std::exchange(other.used, 0)),
      capacity(std::exchange(other.capacity, 0))
{
}

PopList::Chunk& PopList::Chunk::operator=(Chunk&& other) noexcept
{
    if (this != &other) {
        std::destroy_n(records.get(), used);
        records = std::move(other.records);
        first = std::exchange(other.first, 0);
        used = std::exchange(other.used, 0);
        capacity = std::exchange(other.capacity, 0);
    }
    return *this;
}

PopList::Chunk::~Chunk()
{
    std::destroy_n(records.get(), used);
}

PopRecord& PopList::appendRecord()
{
    if (m_chunks.empty() || m_chunks.back().used == m_chunks.back().capacity)
        m_chunks.emplace_back(chunkCapacity(m_chunks.size()));
    Chunk& chunk = m_chunks.back();
    PopRecord* record = new (chunk.records.get() + chunk.used) PopRecord();
    ++chunk.used;
    ++m_size;
    return *record;
}

// Where each stored column of a record comes from in a line: the positions
// of the text slots and of the integer slots, made again whenever a header
// moves the columns.
struct PopList::SlotPositions {
    std::array<std::uint8_t, PopRecord::kTextSlots> text{};
    std::array<std::uint8_t, kPopNumberColumnCount> number{};
};

PopList::SlotPositions PopList::slotPositions() const
{
    SlotPositions from;
    for (std::size_t c = 0; c < kPopColumnCount; ++c) {
        const auto position = static_cast<std::uint8_t>(m_columns.positions()[c]);
        if (int slot = kPopSlots.text[c]; slot >= 0)
            from.text[static_cast<std::size_t>(slot)] = position;
        else if (int number = kPopSlots.number[c]; number >= 0)
            from.number[static_cast<std::size_t>(number)] = position;
    }
    return from;
}

void PopList::fillRecord(PopRecord& record, const std::string_view* fields, const char* lineEnd,
                         const SlotPositions& from, bool fromMaster)
{
    // The text of one record fits the column ends even when a header maps
    // every text column to the same longest field of a line.
    static_assert(PopRecord::kTextSlots * LineReader::kDefaultMaxLine < PopRecord::kFromMasterBit);
    constexpr int kUsageStart = kPopSlots.number[static_cast<std::size_t>(PopColumn::USAGE_START)];
    constexpr int kUsageEnd = kPopSlots.number[static_cast<std::size_t>(PopColumn::USAGE_END)];

    std::array<std::int32_t, kPopNumberColumnCount> wide{};
    std::size_t wideCount = 0;
    for (std::size_t n = 0; n < kPopNumberColumnCount; ++n) {
        int value = fieldNumber(fields[from.number[n]], lineEnd);
        if (n == kUsageStart || n == kUsageEnd)
            value /= kHoursDivisor;
        if (value >= 0 && value < PopRecord::kWideNumber) {
            record.m_number[n] = static_cast<std::uint16_t>(value);
        } else {
            record.m_number[n] = PopRecord::kWideNumber;
            wide[wideCount++] = value;
        }
    }
    std::size_t total = 0;
    for (std::uint8_t position : from.text)
        total += fields[position].size();
    const std::size_t wideBytes = wideCount * sizeof(std::int32_t);
    char* out = total + wideBytes > 0 ? m_text.allocate(total + wideBytes) : nullptr;
    record.m_text = out;
    std::size_t end = 0;
    for (std::size_t s = 0; s < from.text.size(); ++s) {
        const std::string_view& field = fields[from.text[s]];
        copyShort(out + end, field.data(), field.size());
        end += field.size();
        record.m_textEnd[s] = static_cast<std::uint16_t>(end);
    }
    if (wideCount > 0)
        std::memcpy(out + end, wide.data(), wideBytes);
    if (fromMaster)
        record.m_textEnd.back() |= PopRecord::kFromMasterBit;
    record.m_onHandheld = false;
}

PopList::Parallelism PopList::defaultParallelism()
{
    constexpr unsigned kMostParts = 8;
    constexpr std::uint64_t kLeastPartBytes = 1 << 20;
    return {std::min(processorCount(), kMostParts), kLeastPartBytes};
}

template <class Lines>
void PopList::readLines(Lines& lines, bool fromMaster, PopRecord*& last)
{
    std::array<std::string_view, kMaxFields> fields{};
    SlotPositions from = slotPositions();
    std::string_view line;
    while (lines.next(line)) {
        if (Comment(line)) {
            if (m_columns.applyHeader(line))
                from = slotPositions();
            continue;
        }
        if (splitLine(line, fields.data(), kMaxFields) < kPopColumnCount)
            continue;
        const char* lineEnd = line.data() + line.size();
        std::string_view pop = fields[static_cast<std::size_t>(m_columns.position(PopColumn::POP))];
        if (last && last->pop() == pop) {
            if (!last->m_variants)
                last->m_variants = std::make_unique<std::vector<PopRecord>>();
            fillRecord(last->m_variants->emplace_back(), fields.data(), lineEnd, from, fromMaster);
        } else {
            last = &appendRecord();
            fillRecord(*last, fields.data(), lineEnd, from, fromMaster);
        }
    }
}

PopFileStatus PopList::LoadFile(Mode mode, const std::string& path, Source source)
{
    if (mode == Mode::ClearFirst)
        clear();
    const bool fromMaster = source == Source::Master;
    PopRecord* last = nullptr; // grouping looks back only within this file
    struct stat info {};
    unsigned parts = 1;
    if (m_parallelism.parts > 1 && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
        const std::uint64_t fit = static_cast<std::uint64_t>(info.st_size)
                                  / std::max<std::uint64_t>(m_parallelism.minPartBytes, 1);
        parts = static_cast<unsigned>(std::min<std::uint64_t>(m_parallelism.parts, fit));
    }
    if (parts <= 1) {
        PopFileReader reader(path);
        readLines(reader, fromMaster, last);
        return reader.status();
    }
    // The cuts are looked for in the file as it is open here: one that has
    // changed since its size was taken still gives whole lines.
    FilePtr file = openFile(path, "rb");
    if (!file)
        return PopFileStatus::CannotOpen;
    const int fd = ::fileno(file.get());
    const std::vector<std::uint64_t> cuts = findLineCuts(fd, static_cast<std::uint64_t>(info.st_size), parts);
    PopFileReader reader(fd, cuts.empty() ? LineReader::kToEnd : cuts.front());
    if (!cuts.empty() && reader.status() == PopFileStatus::Read)
        return readParts(reader, fd, cuts, fromMaster);
    readLines(reader, fromMaster, last);
    return reader.status();
}

PopFileStatus PopList::readParts(PopFileReader& first, int fd, const std::vector<std::uint64_t>& cuts,
                                 bool fromMaster)
{
    // The other parts begin with the columns as they are now. A header line
    // that moves them in an earlier part (headers are rare, and nearly
    // always at the top) has that part's successor read again.
    struct Part {
        PopList list;
        ColumnMap start;
        PopRecord* last = nullptr;
        bool failed = false;
    };
    std::vector<std::unique_ptr<Part>> parts;
    for (std::size_t k = 1; k <= cuts.size(); ++k)
        parts.emplace_back(std::make_unique<Part>())->start = m_columns;
    // Part k (from 1) runs from cut k - 1 to cut k or the end.
    auto readPart = [fd, &cuts, fromMaster](Part& part, std::size_t k) {
        part.list.m_columns = part.start;
        LineReader lines(fd, cuts[k - 1], k < cuts.size() ? cuts[k] : LineReader::kToEnd);
        part.list.readLines(lines, fromMaster, part.last);
        part.failed = lines.failed();
    };
    PopRecord* last = nullptr;
    runBeside(
        parts.size(), [&] { readLines(first, fromMaster, last); },
        [&](std::size_t index) { readPart(*parts[index], index + 1); });
    // A read error ends the file where it happened: the parts after it are
    // dropped, as a reading from start to end would never have reached them.
    if (first.status() != PopFileStatus::Read)
        return first.status();
    for (std::size_t k = 1; k <= cuts.size(); ++k) {
        if (parts[k - 1]->start.positions() != m_columns.positions()) {
            parts[k - 1] = std::make_unique<Part>();
            parts[k - 1]->start = m_columns;
            readPart(*parts[k - 1], k);
        }
        Part& part = *parts[k - 1];
        append(part.list, part.last, last);
        m_columns = part.list.m_columns;
        if (part.failed)
            return PopFileStatus::ReadFailed;
    }
    return PopFileStatus::Read;
}

void PopList::append(PopList& part, PopRecord* partLast, PopRecord*& last)
{
    if (!part.m_chunks.empty() && last) {
        // The cut fell among the lines of one POP: the part's first record
        // and its variants are further variants of the record before it.
        Chunk& head = part.m_chunks.front();
        PopRecord& joining = head.records.get()[head.first];
        if (joining.pop() == last->pop()) {
            if (!last->m_variants)
                last->m_variants = std::make_unique<std::vector<PopRecord>>();
            std::unique_ptr<std::vector<PopRecord>> more = std::move(joining.m_variants);
            last->m_variants->push_back(std::move(joining));
            if (more)
                std::move(more->begin(), more->end(), std::back_inserter(*last->m_variants));
            ++head.first;
            --part.m_size;
            if (head.first == head.used)
                part.m_chunks.erase(part.m_chunks.begin());
        }
    }
    // The text of every record read, joined or not, now lives here.
    m_text.adopt(std::move(part.m_text));
    if (part.m_size == 0)
        return;
    m_chunks.reserve(m_chunks.size() + part.m_chunks.size());
    for (Chunk& chunk : part.m_chunks)
        m_chunks.push_back(std::move(chunk));
    m_size += part.m_size;
    part.m_chunks.clear();
    part.m_size = 0;
    last = partLast;
}

bool PopList::hasMasterRecords() const
{
    for (const PopRecord& record : *this)
        if (record.fromMaster())
            return true;
    return false;
}

void PopList::clear()
{
    m_chunks.clear();
    m_size = 0;
    m_text.clear();
}

PopList::iterator PopList::begin()
{
    return {this, 0, m_chunks.empty() ? 0 : m_chunks.front().first};
}

PopList::iterator PopList::end()
{
    return {this, m_chunks.size(), 0};
}

PopList::iterator PopList::middle()
{
    std::size_t before = 0;
    for (std::size_t chunk = 0; chunk < m_chunks.size(); ++chunk) {
        if (before >= m_size / 2)
            return {this, chunk, m_chunks[chunk].first};
        before += m_chunks[chunk].used - m_chunks[chunk].first;
    }
    return end();
}

PopList::const_iterator PopList::begin() const
{
    return {this, 0, m_chunks.empty() ? 0 : m_chunks.front().first};
}

PopList::const_iterator PopList::end() const
{
    return {this, m_chunks.size(), 0};
}

std::size_t PopList::bytesReserved() const
{
    std::size_t bytes = m_text.capacity();
    for (const Chunk& chunk : m_chunks)
        bytes += chunk.capacity * sizeof(PopRecord);
    for (const PopRecord& record : *this)
        if (record.m_variants)
            bytes += sizeof(std::vector<PopRecord>) + record.m_variants->capacity() * sizeof(PopRecord);
    return bytes;
}

} // namespace tarvo
