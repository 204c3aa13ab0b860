#include "text/WineRegistry.h"

#include "support/BoundedFileRead.h"
#include "support/PathJoin.h"
#include "support/Tokenizer.h"
#include "text/CodePage.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

namespace tarvo {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view trimLeft(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    return s;
}

std::string_view trimRight(std::string_view s)
{
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool startsWith(std::string_view s, std::string_view prefix)
{
    return s.substr(0, prefix.size()) == prefix;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool isOctal(char c)
{
    return c >= '0' && c <= '7';
}

// Text as Wine escapes it, from the start of `s` up to the first unescaped
// `end`; `s` is left after that character. Nullopt when it never comes.
// Escapes: "\a" "\b" "\e" "\f" "\n" "\r" "\t" "\v", "\x" with up to four hex
// digits (one UTF-16 unit; "\x" without a digit is an 'x'), "\" with up to
// three octal digits; any other escaped character stands for itself, so
// "\\", "\"" and "\]" are the characters. Bytes outside ASCII are UTF-8.
std::optional<std::u16string> readEscaped(std::string_view& s, char end)
{
    std::u16string out;
    std::size_t i = 0;
    while (i < s.size()) {
        char c = s[i];
        if (c == end) {
            s.remove_prefix(i + 1);
            return out;
        }
        if (c == '\\') {
            if (++i == s.size())
                break;
            c = s[i];
            static constexpr std::string_view kLetters = "abefnrtv";
            static constexpr char16_t kControls[] = {0x07, 0x08, 0x1B, 0x0C, 0x0A, 0x0D, 0x09, 0x0B};
            if (std::size_t letter = kLetters.find(c); letter != std::string_view::npos) {
                out.push_back(kControls[letter]);
                ++i;
                continue;
            }
            if (c == 'x' && i + 1 < s.size() && hexDigit(s[i + 1]) >= 0) {
                unsigned unit = 0;
                for (int digits = 0; digits < 4 && i + 1 < s.size() && hexDigit(s[i + 1]) >= 0; ++digits)
                    unit = unit * 16 + static_cast<unsigned>(hexDigit(s[++i]));
                out.push_back(static_cast<char16_t>(unit));
                ++i;
                continue;
            }
            if (isOctal(c)) {
                unsigned unit = 0;
                for (int digits = 0; digits < 3 && i < s.size() && isOctal(s[i]); ++digits)
                    unit = unit * 8 + static_cast<unsigned>(s[i++] - '0');
                out.push_back(static_cast<char16_t>(unit));
                continue;
            }
            // Any other escaped character is itself (even `end`).
            if (static_cast<unsigned char>(c) < 0x80) {
                out.push_back(static_cast<char16_t>(c));
                ++i;
                continue;
            }
        }
        if (static_cast<unsigned char>(c) < 0x80) {
            out.push_back(static_cast<char16_t>(c));
            ++i;
            continue;
        }
        std::size_t run = i;
        while (run < s.size() && static_cast<unsigned char>(s[run]) >= 0x80)
            ++run;
        out += CodePage::utf8ToUtf16(s.substr(i, run - i));
        i = run;
    }
    return std::nullopt;
}

// "43,00,3a,00" as bytes; nullopt when something else is in the way.
std::optional<std::string> hexBytes(std::string_view s)
{
    std::string bytes;
    std::size_t i = 0;
    for (;;) {
        while (i < s.size() && (isBlank(s[i]) || s[i] == ','))
            ++i;
        if (i == s.size())
            return bytes;
        unsigned value = 0;
        std::size_t start = i;
        for (; i < s.size() && hexDigit(s[i]) >= 0; ++i) {
            value = value * 16 + static_cast<unsigned>(hexDigit(s[i]));
            if (value > 0xFF)
                return std::nullopt;
        }
        if (i == start)
            return std::nullopt;
        bytes.push_back(static_cast<char>(value));
    }
}

// The string a value holds, from the text after its '='; nullopt for
// values that hold no string. Bytes written as "hex" run on over the lines
// that follow while a line ends in a backslash; `i` is left on the last.
std::optional<std::u16string> readString(std::string_view data, const std::vector<std::string_view>& lines,
                                         std::size_t& i)
{
    for (std::string_view quote : {"\"", "str:\"", "str(2):\"", "str(7):\""}) {
        if (startsWith(data, quote)) {
            data.remove_prefix(quote.size());
            return readEscaped(data, '"');
        }
    }
    if (!startsWith(data, "hex"))
        return std::nullopt; // "dword:" and what Wine does not write
    data.remove_prefix(3);
    unsigned type = 3; // REG_BINARY
    if (startsWith(data, "(")) {
        std::size_t close = data.find("):");
        if (close == std::string_view::npos || close < 2 || close > 9)
            return std::nullopt;
        type = 0;
        for (char c : data.substr(1, close - 1)) {
            if (hexDigit(c) < 0)
                return std::nullopt;
            type = type * 16 + static_cast<unsigned>(hexDigit(c));
        }
        data.remove_prefix(close + 2);
    } else if (startsWith(data, ":")) {
        data.remove_prefix(1);
    } else {
        return std::nullopt;
    }
    std::string joined(trimRight(data));
    while (!joined.empty() && joined.back() == '\\' && i + 1 < lines.size()) {
        joined.pop_back();
        joined += trimRight(lines[++i]);
    }
    constexpr unsigned kString = 1, kExpandString = 2, kMultiString = 7;
    if (type != kString && type != kExpandString && type != kMultiString)
        return std::nullopt;
    std::optional<std::string> bytes = hexBytes(joined);
    if (!bytes)
        return std::nullopt;
    std::u16string units;
    for (std::size_t b = 0; b + 1 < bytes->size(); b += 2)
        units.push_back(static_cast<char16_t>(static_cast<unsigned char>((*bytes)[b]) |
                                              static_cast<unsigned char>((*bytes)[b + 1]) << 8));
    return units;
}

// A name or string as UTF-8, up to its first NUL.
std::string toUtf8(std::u16string_view units)
{
    return CodePage::utf16ToUtf8(units.substr(0, units.find(u'\0')));
}

// Registry order of two key paths: name by name, each key before its
// subkeys.
bool keyBefore(std::string_view a, std::string_view b)
{
    for (;;) {
        std::size_t endA = a.find('\\');
        std::size_t endB = b.find('\\');
        if (int order = RegistryFile::compareNames(a.substr(0, endA), b.substr(0, endB)); order != 0)
            return order < 0;
        if (endA == std::string_view::npos || endB == std::string_view::npos)
            return endA == std::string_view::npos && endB != std::string_view::npos;
        a.remove_prefix(endA + 1);
        b.remove_prefix(endB + 1);
    }
}

enum class ReadResult { Read, Missing, Failed };

// A regular file of at most `limit` bytes. FIFOs and devices are refused
// before anything is read from them, so nothing can make the read block.
ReadResult readRegularFile(const std::string& path, std::uintmax_t limit, std::string& text)
{
    switch (readBoundedFile(path, limit, text)) {
    case BoundedRead::Read:
        return ReadResult::Read;
    case BoundedRead::Missing:
        return ReadResult::Missing;
    default:
        return ReadResult::Failed;
    }
}

} // namespace

WineRegistry::Loaded WineRegistry::load(const std::string& prefix, std::uintmax_t maxFileSize, std::size_t maxKeys)
{
    Loaded loaded;
    if (prefix.empty())
        return loaded;
    const std::pair<std::string_view, std::string_view> files[] = {{kMachineFile, kMachineRoot},
                                                                    {kUserFile, kUserRoot}};
    std::string text;
    for (const auto& [name, root] : files) {
        std::string path = joinPath(prefix, name);
        ReadResult read = readRegularFile(path, maxFileSize, text);
        if (read == ReadResult::Missing)
            continue;
        if (read == ReadResult::Failed || !parse(text, root, loaded.registry, maxKeys)) {
            loaded.registry = RegistryFile();
            loaded.unreadableFile = std::move(path);
            return loaded;
        }
    }
    return loaded;
}

bool WineRegistry::parse(std::string_view text, std::string_view root, RegistryFile& registry, std::size_t maxKeys)
{
    const std::vector<std::string_view> lines = splitLines(text);
    if (lines.empty() || trimRight(lines.front()) != kHeader)
        return true;
    struct Key {
        std::string path; // below the root
        std::vector<std::pair<std::string, std::string>> strings;
    };
    std::vector<Key> keys;
    bool inKey = false; // false while there is no key, or its header could not be read
    for (std::size_t i = 1; i < lines.size(); ++i) {
        std::string_view line = trimLeft(lines[i]);
        if (line.empty())
            continue;
        if (line.front() == '[') {
            // The time Wine stamps after the ']' is of no use here.
            line.remove_prefix(1);
            std::optional<std::u16string> path = readEscaped(line, ']');
            inKey = path.has_value();
            if (!inKey)
                continue;
            if (keys.size() == maxKeys)
                return false;
            keys.push_back({CodePage::utf16ToUtf8(*path), {}});
            continue;
        }
        // ';' comments and '#' lines ("#time=", "#arch=", "#class=", "#link")
        // fall through here with whatever else is not a value.
        if (!inKey || (line.front() != '@' && line.front() != '"'))
            continue;
        std::string name;
        if (line.front() == '"') {
            line.remove_prefix(1);
            std::optional<std::u16string> escaped = readEscaped(line, '"');
            if (!escaped)
                continue;
            name = CodePage::utf16ToUtf8(*escaped);
        } else {
            line.remove_prefix(1);
        }
        line = trimLeft(line);
        if (line.empty() || line.front() != '=')
            continue;
        if (std::optional<std::u16string> data = readString(trimLeft(line.substr(1)), lines, i))
            keys.back().strings.emplace_back(std::move(name), toUtf8(*data));
    }

    // Wine writes its keys in registry order, so each lands after its last
    // sibling. A file in any other order is put in it first: inserted as they
    // come, a hundred thousand siblings would take hours.
    if (!std::is_sorted(keys.begin(), keys.end(), [](const Key& a, const Key& b) { return keyBefore(a.path, b.path); }))
        std::stable_sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) { return keyBefore(a.path, b.path); });
    for (const Key& key : keys) {
        const std::string full = std::string(root) + (key.path.empty() ? "" : "\\" + key.path);
        // A name the registry refuses takes its values with it.
        if (!registry.createKey(full))
            continue;
        for (const auto& [name, value] : key.strings)
            (void)registry.setString(full, name, value);
    }
    return true;
}

} // namespace tarvo
