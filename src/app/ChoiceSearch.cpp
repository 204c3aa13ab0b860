#include "app/ChoiceSearch.h"

#include <algorithm>

namespace tarvo {

namespace {

char16_t folded(char16_t c)
{
    // A-Z and the Latin-1 capitals (but the multiplication sign) lie 0x20
    // below their small letters.
    if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return static_cast<char16_t>(c + 0x20);
    return c;
}

bool sameLetter(char16_t a, char16_t b)
{
    return folded(a) == folded(b);
}

std::u16string_view trimmed(std::u16string_view text)
{
    const auto blank = [](char16_t c) { return c == u' ' || c == u'\t'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace

int ChoiceSearch::find(const std::vector<std::u16string>& entries, std::u16string_view typed)
{
    const std::u16string_view text = trimmed(typed);
    if (text.empty())
        return -1;
    auto first = [&](auto&& matches) {
        const auto at = std::find_if(entries.begin(), entries.end(), matches);
        return at == entries.end() ? -1 : static_cast<int>(at - entries.begin());
    };
    const int equal = first([&](const std::u16string& entry) {
        return entry.size() == text.size() && std::equal(text.begin(), text.end(), entry.begin(), sameLetter);
    });
    if (equal >= 0)
        return equal;
    const int prefix = first([&](const std::u16string& entry) {
        return entry.size() >= text.size() && std::equal(text.begin(), text.end(), entry.begin(), sameLetter);
    });
    if (prefix >= 0)
        return prefix;
    return first([&](const std::u16string& entry) {
        return std::search(entry.begin(), entry.end(), text.begin(), text.end(), sameLetter) != entry.end();
    });
}

} // namespace tarvo
