#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace tarvo {

// Converts between one 8-bit (or multi-byte) code page of the desktop and
// UTF-16: iconv on Linux, MultiByteToWideChar / WideCharToMultiByte on
// Windows. Bytes that do not convert, and characters the page lacks, become
// '?'.
class CodePageConverter final {
public:
    // `name` as the platform knows it: "WINDOWS-1250", "CP850", "IBM437";
    // on Windows also a code page number ("1250").
    explicit CodePageConverter(const std::string& name);
    CodePageConverter(const CodePageConverter&) = delete;
    CodePageConverter& operator=(const CodePageConverter&) = delete;
    ~CodePageConverter();

    // False when the platform knows no such page.
    [[nodiscard]] bool valid() const;
    std::u16string toUtf16(std::string_view bytes) const;
    std::string fromUtf16(std::u16string_view text) const;

    // The desktop's own ANSI and OEM pages: windows-1252 and IBM437 on
    // Linux (there is no desktop to ask), GetACP() and GetOEMCP() on Windows.
    static std::string desktopAnsiName();
    static std::string desktopOemName();

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace tarvo
