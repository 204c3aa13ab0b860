#include "text/IniFile.h"

#include "support/AtomicFile.h"
#include "support/BoundedFileRead.h"
#include "support/FileInfo.h"
#include "support/NativePath.h"
#include "support/PathJoin.h"
#include "support/Tokenizer.h"

#include <climits>
#include <optional>
#include <unordered_map>

namespace tarvo {

namespace {

constexpr std::string_view kNoMore = "_NO_MORE_";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    return true;
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// The file's lines (CR LF, LF or CR), after any UTF-8 byte-order mark.
std::vector<std::string_view> settingsLines(std::string_view text)
{
    if (text.starts_with(kUtf8Bom))
        text.remove_prefix(kUtf8Bom.size());
    return splitLines(text);
}

// A "[name]" line gives the section's name; anything else gives nothing.
std::optional<std::string_view> sectionName(std::string_view line)
{
    line = trim(line);
    if (line.empty() || line.front() != '[')
        return std::nullopt;
    std::size_t close = line.find(']');
    std::string_view name = line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
    return trim(name);
}

struct KeyLine {
    std::string_view key;
    std::string_view value;
};

std::optional<KeyLine> keyLine(std::string_view line)
{
    std::string_view t = trim(line);
    if (t.empty() || t.front() == ';')
        return std::nullopt;
    std::size_t eq = t.find('=');
    if (eq == std::string_view::npos)
        return std::nullopt;
    return KeyLine{trim(t.substr(0, eq)), trim(t.substr(eq + 1))};
}

std::string_view unquote(std::string_view v)
{
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

// Calls `visit(key, value)` for every key line of the first section named
// `section`, in file order, until it answers false. Values come unquoted.
template <typename Visit>
void visitSection(std::string_view text, std::string_view section, Visit visit)
{
    section = trim(section);
    bool inSection = false;
    for (std::string_view line : settingsLines(text)) {
        if (auto name = sectionName(line)) {
            if (inSection)
                return; // only the first equal section counts
            inSection = equalsIgnoreCase(*name, section);
            continue;
        }
        if (!inSection)
            continue;
        if (auto kv = keyLine(line); kv && !visit(kv->key, unquote(kv->value)))
            return;
    }
}

// Only a regular file of a settings file's size is read: a device or a
// runaway file reads as one that cannot be read.
bool readSettings(const std::string& path, std::string& text)
{
    return readBoundedFile(path, IniFile::kMaxFileBytes, text) == BoundedRead::Read;
}

// Finds the key in the first section of that name.
std::optional<std::string> lookup(const std::string& path, std::string_view section, std::string_view key)
{
    key = trim(key);
    std::string text;
    if (!readSettings(path, text))
        return std::nullopt;
    std::optional<std::string> found;
    visitSection(text, section, [&](std::string_view name, std::string_view value) {
        if (!equalsIgnoreCase(name, key))
            return true;
        found = std::string(value);
        return false;
    });
    return found;
}

std::string lowerKey(std::string_view key)
{
    std::string lower(key);
    for (char& c : lower)
        c = lowerAscii(c);
    return lower;
}

// Keeps only the first line of a value: a line end would split the file.
std::string_view singleLine(std::string_view value)
{
    std::size_t end = value.find_first_of("\r\n");
    return end == std::string_view::npos ? value : value.substr(0, end);
}

} // namespace

IniFile::IniFile(std::string_view name)
{
    if (!name.empty())
        setPath(name);
}

void IniFile::setPath(std::string_view name)
{
    if (startsAtRoot(name) || name.find(':') != std::string_view::npos) {
        m_path = std::string(name);
        return;
    }
    const std::string cwd = currentFolder();
    m_path = !cwd.empty() ? joinPath(cwd, name) : std::string(name);
}

std::string IniFile::readString(std::string_view section, std::string_view key, std::string_view def,
                                std::size_t bufferSize) const
{
    std::optional<std::string> found = lookup(m_path, section, key);
    std::string value = found ? std::move(*found) : std::string(def);
    std::size_t limit = bufferSize == 0 ? 0 : bufferSize - 1;
    if (value.size() > limit)
        value.resize(limit);
    return value;
}

int IniFile::readInt(std::string_view section, std::string_view key, std::string_view defaultText) const
{
    return toInt32(readString(section, key, defaultText, kNumberBuffer));
}

bool IniFile::readBool(std::string_view section, std::string_view key, bool defaultFlag) const
{
    std::string text = readString(section, key, defaultFlag ? "yes" : "no", kNumberBuffer);
    return !text.empty() && (text[0] == 'Y' || text[0] == 'y' || text[0] == '1');
}

std::vector<std::string> IniFile::readList(std::string_view section, std::string_view keyFormat) const
{
    // One read of the file and one pass over the section: a list of
    // thousands of numbered keys must not read the file once per key.
    std::unordered_map<std::string, std::string_view> keys;
    std::string text;
    if (readSettings(m_path, text)) {
        visitSection(text, section, [&keys](std::string_view name, std::string_view value) {
            keys.try_emplace(lowerKey(name), value); // the first of two equal keys counts
            return true;
        });
    }

    const std::size_t limit = kStringBuffer - 1;
    std::size_t mark = keyFormat.find("%d");
    std::vector<std::string> list;
    std::string previousKey;
    for (int n = 1; n < INT_MAX; ++n) {
        std::string key(keyFormat);
        if (mark != std::string_view::npos)
            key.replace(mark, 2, std::to_string(n));
        // A key cut to the buffer limit names some other key (often one
        // already read), and a format without a number names the same key
        // every time: either would repeat values or never end.
        if (key.size() > kListKeyBuffer - 1 || key == previousKey)
            break;
        auto found = keys.find(lowerKey(trim(key)));
        if (found == keys.end())
            break;
        std::string_view value = found->second.substr(0, limit);
        if (value == kNoMore)
            break;
        list.emplace_back(value);
        previousKey = std::move(key);
    }
    return list;
}

bool IniFile::writeString(std::string_view section, std::string_view key, std::string_view value) const
{
    value = singleLine(value);
    section = trim(section);
    key = trim(key);
    std::string text;
    bool exists = readSettings(m_path, text);
    // A file that is there but cannot be read would otherwise be replaced
    // by one holding only the new key.
    if (!exists && fileInfo(m_path).exists())
        return false;
    std::vector<std::string_view> lines = exists ? settingsLines(text) : std::vector<std::string_view>{};
    std::string newLine = std::string(key) + "=" + std::string(value);

    // Locate the first section of that name and, inside it, the key.
    std::optional<std::size_t> sectionStart;
    std::size_t sectionEnd = lines.size(); // one past the section's last line
    std::optional<std::size_t> keyAt;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (auto name = sectionName(lines[i])) {
            if (sectionStart) {
                sectionEnd = i;
                break;
            }
            if (equalsIgnoreCase(*name, section))
                sectionStart = i;
            continue;
        }
        if (sectionStart && !keyAt) {
            if (auto kv = keyLine(lines[i]); kv && equalsIgnoreCase(kv->key, key)) {
                keyAt = i;
                newLine = std::string(kv->key) + "=" + std::string(value); // keeps its spelling
            }
        }
    }

    std::string out;
    if (text.starts_with(kUtf8Bom))
        out.append(kUtf8Bom);
    auto emit = [&out](std::string_view line) {
        out.append(line);
        out.append("\r\n");
    };
    if (keyAt) {
        for (std::size_t i = 0; i < lines.size(); ++i)
            emit(i == *keyAt ? std::string_view(newLine) : lines[i]);
    } else if (sectionStart) {
        // A new key goes after the section's last non-blank line.
        std::size_t insertAt = sectionEnd;
        while (insertAt > *sectionStart + 1 && trim(lines[insertAt - 1]).empty())
            --insertAt;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (i == insertAt)
                emit(newLine);
            emit(lines[i]);
        }
        if (insertAt == lines.size())
            emit(newLine);
    } else {
        for (std::string_view line : lines)
            emit(line);
        // Built with append: gcc 12 warns falsely (-Wrestrict) on "[" + string.
        std::string header(1, '[');
        header.append(section);
        header.push_back(']');
        emit(header);
        emit(newLine);
    }
    return writeFileAtomically(m_path, out);
}

} // namespace tarvo
