#pragma once

#include "phonebook/PopColumn.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo {

class PopList;

// One POP line: 28 columns, where it came from, whether it goes to the
// handheld, and the lines that directly followed it with the same POP id.
//
// Records are made by `PopList` and live as long as it does: their text is
// held in the list's text pool (one copy of each line's text columns, side by
// side) and read through views, so a record is about a hundred bytes plus its
// text.
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
    [[nodiscard]] int number(PopColumn column) const;

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

    // True for a record of "pbook.txt", false for one of "cbook.txt".
    [[nodiscard]] bool fromMaster() const { return m_fromMaster; }
    // 1 when the POP is to be on the handheld.
    [[nodiscard]] std::int16_t selected() const { return m_selected; }
    void setSelected(std::int16_t selected) { m_selected = selected; }

    // Further records with this record's POP id, in file order.
    [[nodiscard]] std::span<const PopRecord> variants() const;
    [[nodiscard]] std::span<PopRecord> variants();

    // The record's line and then one line per variant, 28 columns in
    // canonical order, unquoted, each ending in CR LF.
    void Write(std::string& out) const;
    // The same to a stream; false when the stream reports an error.
    bool Write(std::FILE* file) const;

private:
    friend class PopList;

    // Slots of the stored text columns, in canonical order (SUPPORT_MESG has
    // none).
    static constexpr int kCountrySlot = 0;
    static constexpr int kRegionSlot = 1;
    static constexpr int kCitySlot = 2;
    static constexpr int kAreaCodeSlot = 3;
    static constexpr int kPhoneNumberSlot = 4;
    static constexpr int kPopSlot = 5;
    static constexpr int kTextSlots = kPopTextColumnCount - 1;

    [[nodiscard]] std::string_view textAt(int slot) const
    {
        std::uint16_t begin = slot == 0 ? std::uint16_t{0} : m_textEnd[static_cast<std::size_t>(slot - 1)];
        return {m_text + begin, static_cast<std::size_t>(m_textEnd[static_cast<std::size_t>(slot)] - begin)};
    }
    void writeLine(std::string& out) const;

    // The stored text columns side by side; column s ends at m_textEnd[s].
    // A line is at most 1023 bytes, so 16-bit ends always suffice.
    const char* m_text = nullptr;
    std::array<std::uint16_t, kTextSlots> m_textEnd{};
    std::array<std::int32_t, kPopNumberColumnCount> m_number{};
    std::int16_t m_selected = 0;
    bool m_fromMaster = false;
    // Made on the first variant only: most POPs have none.
    std::unique_ptr<std::vector<PopRecord>> m_variants;
};

} // namespace tarvo
