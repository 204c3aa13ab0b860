#include "config/AppNameDecoder.h"

#include <cstdint>

namespace tarvo {

namespace {

bool isScanBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

struct Reference {
    std::size_t end = 0;      // one past the last digit
    std::uint32_t code = 0;   // modulo 65536, or a supplementary code point
    bool supplementary = false;
};

// Parses "&#%d" at `pos`; false when there is no number after "&#".
bool parseReference(std::string_view text, std::size_t pos, Reference& ref)
{
    if (pos + 1 >= text.size() || text[pos] != '&' || text[pos + 1] != '#')
        return false;
    std::size_t i = pos + 2;
    while (i < text.size() && isScanBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i >= text.size() || !isDigit(text[i]))
        return false;
    std::uint32_t modulo = 0;
    std::uint64_t exact = 0; // saturates: only its range matters
    constexpr std::uint64_t kSaturate = 0x110000;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        auto digit = static_cast<std::uint32_t>(text[i] - '0');
        modulo = (modulo * 10 + digit) & 0xFFFFu;
        exact = exact >= kSaturate ? kSaturate : exact * 10 + digit;
    }
    ref.end = i;
    if (!negative && exact >= 0x10000 && exact < kSaturate) {
        ref.code = static_cast<std::uint32_t>(exact);
        ref.supplementary = true;
    } else {
        ref.code = negative ? (0x10000u - modulo) & 0xFFFFu : modulo;
        ref.supplementary = false;
    }
    return true;
}

class Builder {
public:
    explicit Builder(std::u16string& out) : m_out(out) {}

    bool full() const { return m_out.size() >= kAppNameRoom; }

    void append(std::u16string_view units)
    {
        for (std::size_t i = 0; i < units.size() && !full(); ++i) {
            char16_t u = units[i];
            bool pairStart = u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00
                             && units[i + 1] <= 0xDFFF;
            if (pairStart) {
                if (m_out.size() + 2 > kAppNameRoom)
                    return;
                m_out.push_back(u);
                m_out.push_back(units[++i]);
            } else {
                m_out.push_back(u);
            }
        }
    }

private:
    std::u16string& m_out;
};

} // namespace

DecodedAppName decodeAppName(std::string_view text, const CodePage& ansi)
{
    DecodedAppName result;
    if (std::size_t nul = text.find('\0'); nul != std::string_view::npos)
        text = text.substr(0, nul);
    Builder out(result.text);

    std::size_t runStart = 0; // ordinary bytes not yet converted
    std::size_t pos = 0;
    while (pos < text.size() && !out.full()) {
        Reference ref;
        if (text[pos] != '&' || !parseReference(text, pos, ref)) {
            ++pos;
            continue;
        }
        out.append(ansi.toUtf16(text.substr(runStart, pos - runStart)));
        result.sawReference = true;
        if (ref.code == 0)
            return result;
        if (ref.supplementary) {
            std::uint32_t v = ref.code - 0x10000;
            const char16_t pair[2] = {static_cast<char16_t>(0xD800 + (v >> 10)),
                                      static_cast<char16_t>(0xDC00 + (v & 0x3FF))};
            out.append(std::u16string_view(pair, 2));
        } else {
            const char16_t unit = static_cast<char16_t>(ref.code);
            out.append(std::u16string_view(&unit, 1));
        }
        std::size_t semicolon = text.find(';', pos);
        pos = semicolon == std::string_view::npos ? ref.end : semicolon + 1;
        runStart = pos;
    }
    if (runStart < text.size())
        out.append(ansi.toUtf16(text.substr(runStart)));
    return result;
}

} // namespace tarvo
