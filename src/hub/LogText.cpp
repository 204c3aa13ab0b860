#include "hub/LogText.h"

#include <cstdio>

namespace tarvo::cehub {

namespace {

void escaped(std::string& out, unsigned value)
{
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02X", value & 0xFFu);
    out += hex;
}

} // namespace

std::string logText(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x20 || byte == 0x7F || byte == '\\') {
            escaped(out, byte);
        } else if (byte == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
            // U+0080..U+009F in UTF-8: the C1 controls, CSI among them.
            escaped(out, static_cast<unsigned char>(text[++i]));
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

} // namespace tarvo::cehub
