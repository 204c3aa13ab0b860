#include "updater/UpdateEntry.h"

#include "support/Tokenizer.h"
#include "text/TagExpander.h"
#include "updater/UpdatePaths.h"

#include <cctype>

namespace tarvo {

namespace {

constexpr int kMaxFields = 5;

// The decimal conversion of the list's numbers, taken modulo 2^32, so every
// value from 0 to 4294967295 stands for itself.
std::uint32_t toUint32Modulo(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10U + static_cast<std::uint32_t>(text[i] - '0'); // wraps: modulo 2^32
    return negative ? 0U - value : value;
}

// ".", ".." and, since Windows drops trailing dots from a name, any other
// run of dots alone.
bool isDotSegment(std::string_view segment)
{
    return !segment.empty() && segment.find_first_not_of('.') == std::string_view::npos;
}

} // namespace

UpdateEntry UpdateEntry::parse(std::string_view line, const TagExpander& tags)
{
    UpdateEntry entry;
    entry.line = std::string(line);
    std::string_view work = line.substr(0, kMaxLine);
    std::string_view fields[kMaxFields];
    entry.fieldCount = parseTokens(work, fields, kMaxFields);
    if (entry.fieldCount < 4)
        return entry;

    entry.path = tags.expand(fields[0]);
    for (char c : fields[1]) {
        switch (std::toupper(static_cast<unsigned char>(c))) {
        case 'A':
        case 'T':
            entry.binary = false;
            break;
        case 'C':
            entry.compressed = true;
            break;
        case 'D':
            entry.flagD = true;
            break;
        case 'L':
            entry.dropLog = true;
            break;
        default:
            break;
        }
    }
    entry.major = toInt32(fields[2]);
    entry.minor = toInt32(fields[3]);
    const std::size_t slash = entry.path.rfind('/');
    if (slash == std::string::npos) {
        entry.name = entry.path;
    } else {
        entry.dir = entry.path.substr(0, slash + 1);
        entry.name = entry.path.substr(slash + 1);
    }
    if (entry.fieldCount == kMaxFields)
        entry.checksum = toUint32Modulo(fields[4]);
    return entry;
}

std::string UpdateEntry::localName() const
{
    return suffix == 0 ? name : name + "." + std::to_string(suffix);
}

std::string UpdateEntry::updatePath() const
{
    return std::string(kUpdateFolder) + "/" + localName();
}

std::string UpdateEntry::remotePath() const
{
    return dir + localName();
}

std::string_view UpdateEntry::unsafeReason() const
{
    if (name.empty())
        return "no file name";
    if (path.find('\0') != std::string::npos)
        return "NUL in the path";
    // Printed in the log and on a terminal, such bytes could rewrite what
    // the person sees (an escape sequence clears the screen).
    for (char c : path) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return "control character in the path";
    }
    // A backslash is a separator on Windows; a colon makes a drive-relative
    // path or a stream name there.
    if (name.find('\\') != std::string::npos)
        return "backslash in the name";
    if (name.find(':') != std::string::npos)
        return "colon in the name";
    if (isDotSegment(name))
        return "dots for a name";
    return {};
}

} // namespace tarvo
