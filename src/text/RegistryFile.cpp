#include "text/RegistryFile.h"

#include "support/Tokenizer.h"

#include "support/AtomicFile.h"
#include "support/BoundedFileRead.h"
#include "text/CodePage.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <utility>

namespace tarvo {

namespace {

constexpr std::string_view kHex1 = "hex(1):";

// The registry compares names after upper-casing them one UTF-16 unit at a
// time. Letters of Latin-1, Latin Extended-A, Greek and Cyrillic are folded;
// that covers every name this program meets.
char16_t upcase(char16_t c)
{
    auto shift = [c](int by) { return static_cast<char16_t>(c - by); };
    if (c < 0x80)
        return c >= u'a' && c <= u'z' ? shift(0x20) : c;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return shift(0x20);
    if (c == 0xFF)
        return 0x178;
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
        return (c & 1) != 0 ? shift(1) : c;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
        return (c & 1) == 0 ? shift(1) : c;
    if ((c >= 0x3B1 && c <= 0x3C1) || (c >= 0x3C3 && c <= 0x3CB))
        return shift(0x20);
    if (c == 0x3C2)
        return 0x3A3;
    if (c >= 0x430 && c <= 0x44F)
        return shift(0x20);
    if (c >= 0x450 && c <= 0x45F)
        return shift(0x50);
    return c;
}

// A name as the registry compares it: upper-cased UTF-16, so two names are
// the same exactly when their folded forms are equal.
std::u16string foldName(std::string_view name)
{
    std::u16string units = CodePage::utf8ToUtf16(name);
    for (char16_t& unit : units)
        unit = upcase(unit);
    return units;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// Splits a key path at backslashes; nullopt when a component is invalid.
std::optional<std::vector<std::string_view>> splitKeyPath(std::string_view path)
{
    std::vector<std::string_view> parts;
    if (path.empty())
        return std::nullopt;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = path.find('\\', start);
        std::string_view part = path.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (part.empty() || part.size() > RegistryFile::kMaxKeyNameLength)
            return std::nullopt;
        for (char c : part)
            if (static_cast<unsigned char>(c) < 0x20)
                return std::nullopt;
        parts.push_back(part);
        if (parts.size() > RegistryFile::kMaxKeyDepth)
            return std::nullopt;
        if (end == std::string_view::npos)
            return parts;
        start = end + 1;
    }
}

bool validValueName(std::string_view name)
{
    return name.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

// A "..." string with \\ and \" escapes at the start of `s`; `s` is left
// after the closing quote. Other backslashes stand for themselves.
std::optional<std::string> readQuoted(std::string_view& s)
{
    if (s.empty() || s.front() != '"')
        return std::nullopt;
    std::string out;
    for (std::size_t i = 1; i < s.size(); ++i) {
        char c = s[i];
        if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"')) {
            out.push_back(s[++i]);
        } else if (c == '"') {
            s.remove_prefix(i + 1);
            return out;
        } else {
            out.push_back(c);
        }
    }
    return std::nullopt;
}

void appendQuoted(std::string_view text, std::string& out)
{
    out.push_back('"');
    for (char c : text) {
        if (c == '\\' || c == '"')
            out.push_back('\\');
        out.push_back(c);
    }
    out.push_back('"');
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

// "41,00,42,00,00,00" (UTF-16LE with its terminating NUL) as UTF-8.
std::optional<std::string> decodeHex1(std::string_view hex)
{
    std::u16string units;
    int low = -1;
    for (std::string_view rest = hex; !rest.empty();) {
        std::size_t comma = rest.find(',');
        std::string_view byte = trim(rest.substr(0, comma));
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        if (byte.empty() && rest.empty() && comma != std::string_view::npos)
            break; // a trailing comma
        if (byte.size() != 2 || hexDigit(byte[0]) < 0 || hexDigit(byte[1]) < 0)
            return std::nullopt;
        int value = hexDigit(byte[0]) * 16 + hexDigit(byte[1]);
        if (low < 0) {
            low = value;
        } else {
            units.push_back(static_cast<char16_t>(value << 8 | low));
            low = -1;
        }
    }
    if (!units.empty() && units.back() == 0)
        units.pop_back();
    return CodePage::utf16ToUtf8(units);
}

void appendHex1(std::string_view text, std::string& out)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::u16string units = CodePage::utf8ToUtf16(text);
    units.push_back(0);
    out += kHex1;
    bool first = true;
    for (char16_t unit : units) {
        for (unsigned byte : {static_cast<unsigned>(unit) & 0xFFu, static_cast<unsigned>(unit) >> 8u}) {
            if (!first)
                out.push_back(',');
            first = false;
            out.push_back(kDigits[byte >> 4]);
            out.push_back(kDigits[byte & 0xF]);
        }
    }
}

// The file's text as UTF-8: a UTF-16LE file (as the registry editor exports
// it) is converted, a UTF-8 byte-order mark dropped.
std::string decodeText(std::string_view raw)
{
    if (raw.size() >= 2 && static_cast<unsigned char>(raw[0]) == 0xFF && static_cast<unsigned char>(raw[1]) == 0xFE) {
        std::u16string units;
        units.reserve(raw.size() / 2);
        for (std::size_t i = 2; i + 1 < raw.size(); i += 2)
            units.push_back(static_cast<char16_t>(static_cast<unsigned char>(raw[i + 1]) << 8 |
                                                  static_cast<unsigned char>(raw[i])));
        return CodePage::utf16ToUtf8(units);
    }
    if (raw.size() >= 3 && raw.substr(0, 3) == "\xEF\xBB\xBF")
        raw.remove_prefix(3);
    return std::string(raw);
}

} // namespace

RegistryFile::RegistryFile(std::string path) : m_path(std::move(path)) {}

RegistryFile::~RegistryFile() = default;

int RegistryFile::compareNames(std::string_view a, std::string_view b)
{
    // Names are nearly always ASCII, which folds byte by byte: only from the
    // first other byte on are the rest of both names converted. A Wine
    // prefix's registry makes hundreds of thousands of these comparisons.
    std::size_t same = 0;
    for (; same < a.size() && same < b.size(); ++same) {
        auto ca = static_cast<unsigned char>(a[same]);
        auto cb = static_cast<unsigned char>(b[same]);
        if (ca >= 0x80 || cb >= 0x80)
            break;
        char16_t fa = upcase(ca);
        char16_t fb = upcase(cb);
        if (fa != fb)
            return fa < fb ? -1 : 1;
    }
    if (same == a.size() || same == b.size())
        return a.size() == b.size() ? 0 : (same == a.size() ? -1 : 1);
    std::u16string ua = foldName(a.substr(same));
    std::u16string ub = foldName(b.substr(same));
    std::size_t n = std::min(ua.size(), ub.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (ua[i] != ub[i])
            return ua[i] < ub[i] ? -1 : 1;
    }
    if (ua.size() != ub.size())
        return ua.size() < ub.size() ? -1 : 1;
    return 0;
}

bool RegistryFile::load()
{
    m_roots.clear();
    if (m_path.empty())
        return true;
    std::string raw;
    switch (readBoundedFile(m_path, kMaxFileBytes, raw)) {
    case BoundedRead::Read:
        parse(raw);
        return true;
    case BoundedRead::Missing:
        return true;
    case BoundedRead::NotRegular:
    case BoundedRead::TooLarge:
    case BoundedRead::Failed:
        break;
    }
    return false;
}

void RegistryFile::parse(std::string_view raw)
{
    m_roots.clear();
    std::string text = decodeText(raw);
    std::vector<std::string_view> lines = splitLines(text);
    Key* current = nullptr;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string_view line = trim(lines[i]);
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            current = nullptr;
            // "[-Key]" deletes a key when imported; a stored registry has no
            // use for it, so its section is skipped.
            if (line.size() >= 2 && line.back() == ']' && line[1] != '-')
                current = ensureKey(line.substr(1, line.size() - 2), nullptr);
            continue;
        }
        if (!current)
            continue;

        Value value;
        std::string_view rest = line;
        if (rest.front() == '@') {
            rest.remove_prefix(1);
        } else if (std::optional<std::string> name = readQuoted(rest)) {
            value.name = std::move(*name);
        } else {
            continue;
        }
        rest = trim(rest);
        if (rest.empty() || rest.front() != '=' || !validValueName(value.name))
            continue;
        rest = trim(rest.substr(1));
        if (rest.empty() || rest == "-")
            continue;
        if (rest.front() == '"') {
            std::optional<std::string> data = readQuoted(rest);
            if (!data)
                continue;
            value.data = std::move(*data);
            setValue(*current, std::move(value));
            continue;
        }
        // Binary and numeric values may run over several lines, each but the
        // last ending in a backslash.
        // A backslash on the file's last line has nothing to continue with and
        // is dropped, so that writing the value back reads the same.
        std::string joined(rest);
        for (;;) {
            joined = std::string(trim(joined));
            if (joined.empty() || joined.back() != '\\')
                break;
            joined.pop_back();
            if (i + 1 < lines.size())
                joined += trim(lines[++i]);
        }
        // A continuation that pulled in a quoted line is no value of any type.
        if (joined.empty() || joined == "-" || joined.front() == '"')
            continue;
        if (joined.size() >= kHex1.size() && sameName(std::string_view(joined).substr(0, kHex1.size()), kHex1)) {
            std::optional<std::string> data = decodeHex1(std::string_view(joined).substr(kHex1.size()));
            if (!data)
                continue;
            value.data = std::move(*data);
        } else {
            value.isString = false;
            value.data = std::move(joined);
        }
        setValue(*current, std::move(value));
    }
}

std::string RegistryFile::serialize() const
{
    std::string out(kHeader);
    out += "\r\n\r\n";
    std::string prefix;
    for (const Key& root : m_roots)
        serializeKey(root, prefix, out);
    return out;
}

void RegistryFile::serializeKey(const Key& key, std::string& prefix, std::string& out)
{
    std::size_t mark = prefix.size();
    if (!prefix.empty())
        prefix.push_back('\\');
    prefix += key.name;
    out += '[';
    out += prefix;
    out += "]\r\n";
    for (const Value& value : key.values) {
        if (value.name.empty())
            out.push_back('@');
        else
            appendQuoted(value.name, out);
        out.push_back('=');
        if (!value.isString)
            out += value.data;
        else if (value.data.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
            appendHex1(value.data, out);
        else
            appendQuoted(value.data, out);
        out += "\r\n";
    }
    out += "\r\n";
    for (const Key& sub : key.subkeys)
        serializeKey(sub, prefix, out);
    prefix.resize(mark);
}

bool RegistryFile::save() const
{
    return writeFileAtomically(m_path, serialize());
}

const RegistryFile::Key* RegistryFile::findKey(std::string_view keyPath) const
{
    std::optional<std::vector<std::string_view>> parts = splitKeyPath(keyPath);
    if (!parts)
        return nullptr;
    const std::vector<Key>* level = &m_roots;
    const Key* key = nullptr;
    for (std::string_view part : *parts) {
        auto it = std::lower_bound(level->begin(), level->end(), part,
                                   [](const Key& k, std::string_view n) { return compareNames(k.name, n) < 0; });
        if (it == level->end() || compareNames(it->name, part) != 0)
            return nullptr;
        key = &*it;
        level = &key->subkeys;
    }
    return key;
}

RegistryFile::Key* RegistryFile::findKey(std::string_view keyPath)
{
    return const_cast<Key*>(std::as_const(*this).findKey(keyPath));
}

RegistryFile::Key* RegistryFile::ensureKey(std::string_view keyPath, bool* created)
{
    if (created)
        *created = false;
    std::optional<std::vector<std::string_view>> parts = splitKeyPath(keyPath);
    if (!parts)
        return nullptr;
    std::vector<Key>* level = &m_roots;
    Key* key = nullptr;
    for (std::string_view part : *parts) {
        auto it = std::lower_bound(level->begin(), level->end(), part,
                                   [](const Key& k, std::string_view n) { return compareNames(k.name, n) < 0; });
        if (it == level->end() || compareNames(it->name, part) != 0) {
            Key fresh;
            fresh.name = std::string(part);
            it = level->insert(it, std::move(fresh));
            if (created)
                *created = true;
        }
        key = &*it;
        level = &key->subkeys;
    }
    return key;
}

void RegistryFile::setValue(Key& key, Value value)
{
    auto [it, added] = key.valueIndex.try_emplace(foldName(value.name), key.values.size());
    if (!added) {
        Value& existing = key.values[it->second];
        existing.isString = value.isString;
        existing.data = std::move(value.data);
        return;
    }
    key.values.push_back(std::move(value));
}

const RegistryFile::Value* RegistryFile::findValue(const Key& key, std::string_view name)
{
    auto it = key.valueIndex.find(foldName(name));
    return it == key.valueIndex.end() ? nullptr : &key.values[it->second];
}

bool RegistryFile::keyExists(std::string_view keyPath) const
{
    return findKey(keyPath) != nullptr;
}

bool RegistryFile::enumSubkeys(std::string_view keyPath, std::vector<std::string>& names) const
{
    names.clear();
    const Key* key = findKey(keyPath);
    if (!key)
        return false;
    for (const Key& sub : key->subkeys)
        names.push_back(sub.name);
    return true;
}

bool RegistryFile::readString(std::string_view keyPath, std::string_view name, std::string& value) const
{
    const Key* key = findKey(keyPath);
    if (!key)
        return false;
    const Value* found = findValue(*key, name);
    if (!found || !found->isString)
        return false;
    value = found->data;
    return true;
}

bool RegistryFile::createKey(std::string_view keyPath, bool* created)
{
    return ensureKey(keyPath, created) != nullptr;
}

bool RegistryFile::setString(std::string_view keyPath, std::string_view name, std::string_view value)
{
    Key* key = findKey(keyPath);
    if (!key || !validValueName(name))
        return false;
    Value v;
    v.name = std::string(name);
    v.data = std::string(value);
    setValue(*key, std::move(v));
    return true;
}

} // namespace tarvo
