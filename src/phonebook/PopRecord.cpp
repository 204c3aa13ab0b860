#include "phonebook/PopRecord.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace tarvo {

std::string_view PopRecord::text(PopColumn column) const
{
    int slot = kPopSlots.text[static_cast<std::size_t>(column)];
    return slot < 0 ? std::string_view{} : textAt(slot);
}

int PopRecord::wideNumberAt(int slot) const
{
    const auto wideBefore = std::count(m_number.begin(), m_number.begin() + slot, kWideNumber);
    std::int32_t value = 0;
    std::memcpy(&value, m_text + endAt(kTextSlots - 1) + static_cast<std::size_t>(wideBefore) * sizeof value,
                sizeof value);
    return value;
}

std::span<const PopRecord> PopRecord::variants() const
{
    if (!m_variants)
        return {};
    return {m_variants->data(), m_variants->size()};
}

std::span<PopRecord> PopRecord::variants()
{
    if (!m_variants)
        return {};
    return {m_variants->data(), m_variants->size()};
}

void PopRecord::writeLine(std::string& out) const
{
    for (int c = 0; c < kPopColumnCount; ++c) {
        if (c > 0)
            out.push_back(',');
        auto column = static_cast<std::size_t>(c);
        if (int slot = kPopSlots.number[column]; slot >= 0) {
            char digits[16];
            auto result = std::to_chars(digits, digits + sizeof digits, numberAt(slot));
            out.append(digits, result.ptr);
        } else if (int textSlot = kPopSlots.text[column]; textSlot >= 0) {
            out.append(textAt(textSlot));
        }
    }
    out.append("\r\n");
}

void PopRecord::write(std::string& out) const
{
    writeLine(out);
    for (const PopRecord& variant : variants())
        variant.writeLine(out);
}

bool PopRecord::write(std::FILE* file) const
{
    std::string lines;
    write(lines);
    return std::fwrite(lines.data(), 1, lines.size(), file) == lines.size() && std::ferror(file) == 0;
}

} // namespace tarvo
