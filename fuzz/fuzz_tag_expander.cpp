// Tag expansion of arbitrary text. The input's first line is the text; each
// further line becomes the value of the next tag of the table, so values
// holding tags, brackets and long runs are tried as well.
#include "text/TagExpander.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::size_t nl = input.find('\n');
    std::string_view text = input.substr(0, nl);

    tarvo::TagExpander tags;
    tags.fill({static_cast<int>(size), -1, 2147483647}, text, static_cast<std::uint32_t>(size * 2654435761u));
    std::string plain = tags.expand(text);
    if (text.find('<') == std::string_view::npos && plain != text)
        __builtin_trap();

    std::size_t index = 0;
    std::string_view rest = nl == std::string_view::npos ? std::string_view{} : input.substr(nl + 1);
    while (!rest.empty() && index < tags.entries().size()) {
        std::size_t end = rest.find('\n');
        std::string name = tags.entries()[index++].name;
        tags.setValue(name, rest.substr(0, end));
        std::string got;
        if (!tags.getValue(name, got) || got.size() > tarvo::TagExpander::kMaxValue)
            __builtin_trap();
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
    }
    tags.setValue(text, text);
    tags.setNumber(text, static_cast<int>(size));
    std::string expanded;
    tags.expand(text, expanded);
    // Each character of the text either stays or belongs to a tag of at
    // least six characters whose value has at most 99.
    if (expanded.size() > text.size() * (tarvo::TagExpander::kMaxValue / 6 + 1))
        __builtin_trap();
    return 0;
}
