// ParseTokens, Comment, StripCRLF, StrTok and toInt32 on arbitrary lines.
// The first byte chooses how many fields are asked for (0 to 31).
#include "support/Tokenizer.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const int max = data[0] % 32;
    std::string owned(reinterpret_cast<const char*>(data + 1), size - 1);
    std::string_view line(owned);

    std::array<std::string_view, 32> fields{};
    const int n = tarvo::parseTokens(line, fields.data(), max);
    if (n < 0 || n > max)
        __builtin_trap();
    for (int i = 0; i < n; ++i) {
        std::string_view f = fields[static_cast<std::size_t>(i)];
        // Every field points into the line.
        if (f.data() < line.data() || f.data() + f.size() > line.data() + line.size())
            __builtin_trap();
    }
    if (n > 0) {
        std::string_view last = fields[static_cast<std::size_t>(n - 1)];
        if (!last.empty() && last.data() + last.size() == line.data() + line.size()
            && (last.back() == '\n' || last.back() == '\r'))
            __builtin_trap(); // the line end never reaches the last field
    }

    (void)tarvo::comment(line);
    std::string copy(line);
    tarvo::stripCrLf(copy);
    if (!copy.empty() && (copy.back() == '\r' || copy.back() == '\n'))
        __builtin_trap();
    tarvo::StrTok tok(line, " \t");
    while (tok.next()) {
    }
    (void)tarvo::toInt32(line);
    return 0;
}
