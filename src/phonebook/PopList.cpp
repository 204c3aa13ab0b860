#include "phonebook/PopList.h"

#include "phonebook/PopLineSplitter.h"
#include "phonebook/PopSlots.h"
#include "support/LineReader.h"
#include "support/ShortBytes.h"
#include "support/Tokenizer.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <memory>
#include <optional>
#include <utility>

namespace tarvo {

namespace {

// A record line is split into at most this many fields; the 29th, when
// present, holds the rest of the line and is not used.
constexpr int kMaxFields = kPopColumnCount + 1;

constexpr int kHoursDivisor = 3600;

} // namespace

// What the record's layout is for: a million POPs in 72 MB plus their text.
static_assert(sizeof(void*) != 8 || sizeof(PopRecord) == 72);

PopRecord& PopList::appendRecord()
{
    if (m_chunks.empty() || m_chunks.back().full())
        m_chunks.emplace_back(PopChunk::capacityOf(m_chunks.size()));
    ++m_size;
    return m_chunks.back().append();
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
        int value = PopLineSplitter::number(fields[from.number[n]], lineEnd);
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

template <class Lines>
void PopList::readLines(Lines& lines, bool fromMaster, PopRecord*& last)
{
    std::array<std::string_view, kMaxFields> fields{};
    SlotPositions from = slotPositions();
    std::string_view line;
    while (lines.next(line)) {
        if (comment(line)) {
            if (m_columns.applyHeader(line))
                from = slotPositions();
            continue;
        }
        if (PopLineSplitter::split(line, fields.data(), kMaxFields) < kPopColumnCount)
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

// The parts of a file read side by side (PopListParts) are read here too.
template void PopList::readLines(PopFileReader& lines, bool fromMaster, PopRecord*& last);
template void PopList::readLines(LineReader& lines, bool fromMaster, PopRecord*& last);

PopFileStatus PopList::loadFile(Mode mode, const std::string& path, Source source)
{
    if (mode == Mode::ClearFirst)
        clear();
    const bool fromMaster = source == Source::Master;
    if (std::optional<PopFileStatus> status = PopListParts::read(*this, path, fromMaster, m_parallelism))
        return *status;
    PopFileReader reader(path);
    PopRecord* last = nullptr; // grouping looks back only within this file
    readLines(reader, fromMaster, last);
    return reader.status();
}

void PopList::append(PopList& part, PopRecord* partLast, PopRecord*& last)
{
    if (!part.m_chunks.empty() && last) {
        // The cut fell among the lines of one POP: the part's first record
        // and its variants are further variants of the record before it.
        PopChunk& head = part.m_chunks.front();
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
    for (PopChunk& chunk : part.m_chunks)
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
    for (const PopChunk& chunk : m_chunks)
        bytes += chunk.capacity * sizeof(PopRecord);
    for (const PopRecord& record : *this)
        if (record.m_variants)
            bytes += sizeof(std::vector<PopRecord>) + record.m_variants->capacity() * sizeof(PopRecord);
    return bytes;
}

} // namespace tarvo
