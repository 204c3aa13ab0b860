// Window-title decoding ("&#NNN;" references) of arbitrary text, through
// the default ANSI page and an iconv-backed one, and the conversions that
// follow it.
#include "config/AppNameDecoder.h"
#include "text/CodePage.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const tarvo::CodePage ansi("WINDOWS-1252");
    static const tarvo::CodePage other("CP1250");
    std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const tarvo::CodePage* page : {&ansi, &other}) {
        tarvo::DecodedAppName decoded = tarvo::decodeAppName(text, *page);
        if (decoded.text.size() > tarvo::kAppNameRoom)
            __builtin_trap();
        if (!decoded.sawReference && text.find("&#") == std::string_view::npos
            && text.find('\0') == std::string_view::npos && decoded.text.size() < tarvo::kAppNameRoom
            && page == &ansi && decoded.text != ansi.toUtf16(text))
            __builtin_trap();
        std::string utf8 = tarvo::CodePage::utf16ToUtf8(decoded.text);
        (void)tarvo::CodePage::utf8ToUtf16(utf8);
        (void)tarvo::CodePage::oem().fromUtf16(decoded.text);
        (void)page->fromUtf16(decoded.text);
    }
    return 0;
}
