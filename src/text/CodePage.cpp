#include "text/CodePage.h"

#include <algorithm>
#include <cctype>
#include <mutex>
#include <unordered_map>

namespace tarvo {

namespace {

constexpr std::array<char16_t, 256> makeTable(const char16_t (&high)[128])
{
    std::array<char16_t, 256> table{};
    for (int i = 0; i < 128; ++i)
        table[static_cast<std::size_t>(i)] = static_cast<char16_t>(i);
    for (int i = 0; i < 128; ++i)
        table[static_cast<std::size_t>(128 + i)] = high[i];
    return table;
}

// windows-1252: 0xA0..0xFF are Latin-1; the five undefined bytes map to the
// C1 controls of the same value, as the desktop maps them.
constexpr char16_t kCp1252High[128] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF,
    0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7, 0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF,
    0x00D0, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D7, 0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7, 0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF,
    0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7, 0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,
};

// IBM437 as the desktop converts it (controls 0x00..0x1F and 0x7F stay
// controls, not the glyphs of the PC character set).
constexpr char16_t kCp437High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

constexpr std::array<char16_t, 256> kCp1252 = makeTable(kCp1252High);
constexpr std::array<char16_t, 256> kCp437 = makeTable(kCp437High);

std::string upper(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

const std::array<char16_t, 256>* builtinTable(const std::string& name)
{
    std::string n = upper(name);
    if (n == "WINDOWS-1252" || n == "CP1252" || n == "1252")
        return &kCp1252;
    if (n == "IBM437" || n == "CP437" || n == "437")
        return &kCp437;
    return nullptr;
}

// The names the desktop's code pages are made from, fixed by the first
// conversion.
struct DesktopCodePages {
    std::mutex mutex;
    std::string ansi = CodePageConverter::desktopAnsiName();
    std::string oem = CodePageConverter::desktopOemName();
    bool made = false;

    std::string take(const std::string DesktopCodePages::*name)
    {
        std::lock_guard<std::mutex> lock(mutex);
        made = true;
        return this->*name;
    }
};

DesktopCodePages& desktopCodePages()
{
    static DesktopCodePages pages;
    return pages;
}

} // namespace

CodePage::CodePage(std::string name) : m_name(std::move(name)), m_table(builtinTable(m_name))
{
    if (!m_table) {
        m_converter = std::make_unique<CodePageConverter>(m_name);
        // An unknown code page name falls back to windows-1252 rather than
        // losing every byte.
        if (!m_converter->valid()) {
            m_converter.reset();
            m_table = &kCp1252;
        }
    }
    if (m_table) {
        for (std::size_t b = 0; b < m_utf8.size(); ++b) {
            const std::string utf8 = utf16ToUtf8(std::u16string_view(&(*m_table)[b], 1));
            Utf8Char& entry = m_utf8[b];
            entry.size = static_cast<unsigned char>(utf8.size());
            for (std::size_t i = 0; i < utf8.size() && i < sizeof entry.bytes; ++i)
                entry.bytes[i] = utf8[i];
        }
    }
}

void CodePage::appendUtf8(std::string& out, std::string_view bytes) const
{
    if (!m_table) {
        out += utf16ToUtf8(toUtf16(bytes));
        return;
    }
    std::size_t i = 0;
    while (i < bytes.size()) {
        // Dialer texts are mostly ASCII, which stays as it is: such runs go
        // over in one append.
        std::size_t ascii = i;
        while (ascii < bytes.size() && static_cast<unsigned char>(bytes[ascii]) < 0x80)
            ++ascii;
        out.append(bytes.data() + i, ascii - i);
        for (i = ascii; i < bytes.size() && static_cast<unsigned char>(bytes[i]) >= 0x80; ++i) {
            const Utf8Char& c = m_utf8[static_cast<unsigned char>(bytes[i])];
            out.append(c.bytes, c.size);
        }
    }
}

std::size_t CodePage::characterCount(std::string_view bytes) const
{
    if (m_table)
        return bytes.size();
    const std::string utf8 = utf16ToUtf8(toUtf16(bytes));
    return static_cast<std::size_t>(
        std::count_if(utf8.begin(), utf8.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string CodePage::ansiToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    ansi().appendUtf8(out, bytes);
    return out;
}

CodePage::~CodePage() = default;

std::u16string CodePage::toUtf16(std::string_view bytes) const
{
    std::u16string out;
    if (m_table) {
        out.reserve(bytes.size());
        for (char c : bytes)
            out.push_back((*m_table)[static_cast<unsigned char>(c)]);
        return out;
    }
    return m_converter->toUtf16(bytes);
}

std::string CodePage::fromUtf16(std::u16string_view text) const
{
    std::string out;
    if (m_table) {
        out.reserve(text.size());
        for (char16_t ch : text) {
            if (ch < 0x80) {
                out.push_back(static_cast<char>(ch));
                continue;
            }
            auto it = std::find(m_table->begin() + 128, m_table->end(), ch);
            out.push_back(it == m_table->end() ? '?' : static_cast<char>(it - m_table->begin()));
        }
        return out;
    }
    return m_converter->fromUtf16(text);
}

const CodePage& CodePage::ansi()
{
    static const CodePage page(desktopCodePages().take(&DesktopCodePages::ansi));
    return page;
}

const CodePage& CodePage::oem()
{
    static const CodePage page(desktopCodePages().take(&DesktopCodePages::oem));
    return page;
}

bool CodePage::useDesktopCodePages(std::string ansiName, std::string oemName)
{
    DesktopCodePages& pages = desktopCodePages();
    std::lock_guard<std::mutex> lock(pages.mutex);
    if (pages.made)
        return pages.ansi == ansiName && pages.oem == oemName;
    pages.ansi = std::move(ansiName);
    pages.oem = std::move(oemName);
    return true;
}

std::string CodePage::utf16ToUtf8(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

std::u16string CodePage::utf8ToUtf16(std::string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        auto b = static_cast<unsigned char>(text[i]);
        char32_t cp = 0xFFFD;
        std::size_t len = 1;
        if (b < 0x80) {
            cp = b;
        } else if ((b & 0xE0) == 0xC0) {
            len = 2;
        } else if ((b & 0xF0) == 0xE0) {
            len = 3;
        } else if ((b & 0xF8) == 0xF0) {
            len = 4;
        }
        if (len > 1) {
            bool ok = i + len <= text.size();
            char32_t v = b & (0x7F >> len);
            for (std::size_t k = 1; ok && k < len; ++k) {
                auto c = static_cast<unsigned char>(text[i + k]);
                ok = (c & 0xC0) == 0x80;
                v = (v << 6) | (c & 0x3F);
            }
            // Overlong forms (such as C0 AF for '/') are refused like any
            // other malformed sequence.
            constexpr char32_t kShortest[5] = {0, 0, 0x80, 0x800, 0x10000};
            if (ok && v >= kShortest[len] && v <= 0x10FFFF && !(v >= 0xD800 && v <= 0xDFFF)) {
                cp = v;
            } else {
                len = 1;
            }
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += len;
    }
    return out;
}

} // namespace tarvo
