#pragma once

#include "support/CodePageConverter.h"
#include "support/ShortBytes.h"

#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace tarvo {

// An 8-bit code page of the desktop. The two common ones, windows-1252
// (ANSI) and IBM437 (OEM), use exact tables of our own so that every byte
// converts both ways as the desktop converts it (glibc's iconv refuses the
// five bytes windows-1252 leaves undefined). Any other code page goes
// through the platform's converter (iconv, or the desktop's own).
class CodePage final {
public:
    // `name` as the platform knows it ("WINDOWS-1252", "IBM437", "CP1250", ...).
    explicit CodePage(std::string name);
    CodePage(const CodePage&) = delete;
    CodePage& operator=(const CodePage&) = delete;
    ~CodePage();

    const std::string& name() const { return m_name; }

    std::u16string toUtf16(std::string_view bytes) const;
    // The bytes as UTF-8, appended to `out`: the same text as converting
    // through UTF-16, straight from a table for the default pages.
    void appendUtf8(std::string& out, std::string_view bytes) const;
    // Characters the bytes stand for (code points of their UTF-8 form): one
    // per byte in the default pages.
    [[nodiscard]] std::size_t characterCount(std::string_view bytes) const;

    // True for the pages converted by a table of their own (the defaults):
    // one character per byte, and `writeUtf8` applies.
    [[nodiscard]] bool byTable() const { return m_table != nullptr; }
    // Room `writeUtf8` needs for `size` bytes.
    static constexpr std::size_t utf8Room(std::size_t size) { return 3 * size + 1; }
    // For a page `byTable`: the bytes as UTF-8 (the text `appendUtf8` gives)
    // written at `out`, which has `utf8Room` bytes; returns the end of the
    // text. Inline and without a bounds check per byte, for the command
    // line's lists of hundreds of thousands of rows.
    char* writeUtf8(char* out, std::string_view bytes) const
    {
        // Both tables keep ASCII as it is (their low halves are the
        // identity): a text of ASCII alone, nearly every dialer text, is
        // copied without a look-up per byte.
        if (isAscii(bytes)) {
            copyShort(out, bytes.data(), bytes.size());
            return out + bytes.size();
        }
        for (char byte : bytes) {
            // The whole entry goes over; only its size counts, the byte
            // after it lands in the room's spare byte or is overwritten.
            const Utf8Char& c = m_utf8[static_cast<unsigned char>(byte)];
            std::memcpy(out, &c, sizeof c);
            out += c.size;
        }
        return out;
    }
    // Characters without a mapping become '?', the code pages' default.
    std::string fromUtf16(std::u16string_view text) const;

    // The desktop's code pages, process-wide as on the desktop itself: its
    // own (GetACP and GetOEMCP on Windows; windows-1252 and IBM437 on
    // Linux) unless the application named others before the first
    // conversion (later calls change nothing and answer false).
    static const CodePage& ansi();
    static const CodePage& oem();
    static bool useDesktopCodePages(std::string ansiName, std::string oemName);

    // UTF-8 for display (the GUI and the command line show text as UTF-8).
    static std::string utf16ToUtf8(std::u16string_view text);
    static std::u16string utf8ToUtf16(std::string_view text);
    // ANSI bytes as UTF-8, for showing dialer texts.
    static std::string ansiToUtf8(std::string_view bytes);

private:

    // One byte's character in UTF-8 (at most three bytes in these tables).
    struct Utf8Char {
        char bytes[3];
        unsigned char size;
    };
    static_assert(sizeof(Utf8Char) == 4);

    std::string m_name;
    const std::array<char16_t, 256>* m_table = nullptr;
    std::array<Utf8Char, 256> m_utf8{}; // made from m_table when there is one
    std::unique_ptr<CodePageConverter> m_converter; // pages without a table of ours
};

} // namespace tarvo
