#include "support/CodePageConverter.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <windows.h>

namespace tarvo {

namespace {

// "1250", "CP1250", "WINDOWS-1250", "IBM437", "MS-DOS 850" and the like:
// the number the name ends in. 0 when there is none.
UINT pageNumber(const std::string& name)
{
    std::size_t digits = name.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(name[digits - 1])))
        --digits;
    unsigned page = 0;
    const char* end = name.data() + name.size();
    if (digits == name.size() || std::from_chars(name.data() + digits, end, page).ptr != end || page > 65535)
        return 0;
    return page;
}

} // namespace

struct CodePageConverter::State {
    UINT page = 0;
};

CodePageConverter::CodePageConverter(const std::string& name) : m_state(std::make_unique<State>())
{
    const UINT page = pageNumber(name);
    if (page != 0 && ::IsValidCodePage(page))
        m_state->page = page;
}

CodePageConverter::~CodePageConverter() = default;

bool CodePageConverter::valid() const
{
    return m_state->page != 0;
}

std::u16string CodePageConverter::toUtf16(std::string_view bytes) const
{
    if (!valid() || bytes.empty() || bytes.size() > INT_MAX)
        return {};
    const int length = static_cast<int>(bytes.size());
    const int needed = ::MultiByteToWideChar(m_state->page, 0, bytes.data(), length, nullptr, 0);
    if (needed <= 0)
        return {};
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    ::MultiByteToWideChar(m_state->page, 0, bytes.data(), length, wide.data(), needed);
    return std::u16string(wide.begin(), wide.end());
}

std::string CodePageConverter::fromUtf16(std::u16string_view text) const
{
    if (!valid() || text.empty() || text.size() > INT_MAX)
        return {};
    const std::wstring wide(text.begin(), text.end());
    const int length = static_cast<int>(wide.size());
    const int needed = ::WideCharToMultiByte(m_state->page, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0)
        return {};
    std::string bytes(static_cast<std::size_t>(needed), '\0');
    ::WideCharToMultiByte(m_state->page, 0, wide.data(), length, bytes.data(), needed, nullptr, nullptr);
    return bytes;
}

std::string CodePageConverter::desktopAnsiName()
{
    return "CP" + std::to_string(::GetACP());
}

std::string CodePageConverter::desktopOemName()
{
    return "CP" + std::to_string(::GetOEMCP());
}

} // namespace tarvo
