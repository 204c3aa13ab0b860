#pragma once

#include "phonebook/PopColumn.h"
#include "phonebook/PopSlots.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo {

class HandheldSet;
class PopList;

// One POP line: 28 columns, where it came from, whether it goes to the
// handheld (HandheldSet's mark), and the lines that directly followed it with the same POP id.
//
// Records are made by `PopList` and live as long as it does: their text is
// held in the list's text pool (one copy of each line's text columns, side by
// side) and read through views, so a record is 72 bytes plus its text.
class PopRecord final {
public:
    PopRecord() = default;
    PopRecord(const PopRecord&) = delete;
    PopRecord& operator=(const PopRecord&) = delete;
    PopRecord(PopRecord&&) noexcept = default;
    PopRecord& operator=(PopRecord&&) noexcept = default;
    ~PopRecord() = default;

    // A text column as read ("" for SUPPORT_MESG, which is never read, and
    // for integer columns).
    [[nodiscard]] std::string_view text(PopColumn column) const;
    // An integer column (0 for text columns). USAGE_START and USAGE_END are
    // held in hours, as the file value divided by 3600.
    [[nodiscard]] int number(PopColumn column) const
    {
        const int slot = kPopSlots.number[static_cast<std::size_t>(column)];
        return slot < 0 ? 0 : numberAt(slot);
    }

    [[nodiscard]] std::string_view country() const { return textAt(kCountrySlot); }
    [[nodiscard]] std::string_view region() const { return textAt(kRegionSlot); }
    [[nodiscard]] std::string_view city() const { return textAt(kCitySlot); }
    [[nodiscard]] std::string_view areaCode() const { return textAt(kAreaCodeSlot); }
    [[nodiscard]] std::string_view phoneNumber() const { return textAt(kPhoneNumberSlot); }
    [[nodiscard]] std::string_view pop() const { return textAt(kPopSlot); }
    [[nodiscard]] std::string_view price() const { return text(PopColumn::PRICE); }
    [[nodiscard]] std::string_view media() const { return text(PopColumn::MEDIA); }
    [[nodiscard]] std::string_view billCode() const { return text(PopColumn::BILL_CODE); }
    [[nodiscard]] int allCity() const { return number(PopColumn::ALL_CITY); }
    [[nodiscard]] int sortOrder() const { return number(PopColumn::SORT_ORDER); }

    // COUNTRY, REGION and CITY lie side by side in that order: their bytes
    // as one view, so a location is hashed and compared in one go (two
    // records share the triple when these views and the country's and the
    // region's sizes are equal).
    [[nodiscard]] std::string_view location() const { return {m_text, endAt(kCitySlot)}; }
    // The same for COUNTRY and REGION alone.
    [[nodiscard]] std::string_view countryAndRegion() const { return {m_text, endAt(kRegionSlot)}; }

    // True for a record of "pbook.txt", false for one of "cbook.txt".
    [[nodiscard]] bool fromMaster() const { return (m_textEnd.back() & kFromMasterBit) != 0; }

    // Further records with this record's POP id, in file order.
    [[nodiscard]] std::span<const PopRecord> variants() const;
    [[nodiscard]] std::span<PopRecord> variants();

    // The record's line and then one line per variant, 28 columns in
    // canonical order, unquoted, each ending in CR LF.
    void write(std::string& out) const;
    // The same to a stream; false when the stream reports an error.
    bool write(std::FILE* file) const;

private:
    friend class PopList;
    friend class HandheldSet;

    // Slots of the stored text columns, in canonical order (SUPPORT_MESG has
    // none).
    static constexpr int kCountrySlot = 0;
    static constexpr int kRegionSlot = 1;
    static constexpr int kCitySlot = 2;
    static constexpr int kAreaCodeSlot = 3;
    static constexpr int kPhoneNumberSlot = 4;
    static constexpr int kPopSlot = 5;
    static constexpr int kTextSlots = kPopTextColumnCount - 1;

    // An integer slot holding this value keeps its number in full after the
    // record's text (wide numbers in slot order). Most values (flags, times,
    // hours, speeds) are in 0..65534 and cost two bytes.
    static constexpr std::uint16_t kWideNumber = 0xFFFF;

    // Text ends stay below 2^14 (14 columns of at most 1023 bytes), so the
    // top bit of the last one holds `fromMaster` and a record fits in 72
    // bytes.
    static constexpr std::uint16_t kFromMasterBit = 0x8000;

    [[nodiscard]] std::size_t endAt(int slot) const
    {
        return m_textEnd[static_cast<std::size_t>(slot)] & std::uint16_t{kFromMasterBit - 1};
    }
    [[nodiscard]] std::string_view textAt(int slot) const
    {
        std::size_t begin = slot == 0 ? 0 : endAt(slot - 1);
        return {m_text + begin, endAt(slot) - begin};
    }
    // Inline for the list sorts, which ask for ALL_CITY and SORT_ORDER in
    // every comparison.
    [[nodiscard]] int numberAt(int slot) const
    {
        const std::uint16_t packed = m_number[static_cast<std::size_t>(slot)];
        return packed != kWideNumber ? packed : wideNumberAt(slot);
    }
    [[nodiscard]] int wideNumberAt(int slot) const;
    void writeLine(std::string& out) const;

    // The stored text columns side by side; column s ends at endAt(s).
    // Wide numbers follow the text, unaligned.
    const char* m_text = nullptr;
    std::array<std::uint16_t, kTextSlots> m_textEnd{};
    std::array<std::uint16_t, kPopNumberColumnCount> m_number{};
    // Chosen for the handheld: HandheldSet's mark, set by nothing else.
    bool m_onHandheld = false;
    // Made on the first variant only: most POPs have none.
    std::unique_ptr<std::vector<PopRecord>> m_variants;
};

} // namespace tarvo
