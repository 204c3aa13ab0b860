#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo {

// A bound settings file with the private-profile rules of the desktop:
// sections and keys match ignoring case; of two equal sections the first
// counts, and of two equal keys in it the first; blanks and tabs around
// section names, keys and values are dropped; a value wholly in double or
// single quotes loses them; lines starting with ';' are comments and a line
// without '=' is no key; CR LF, LF and CR files read alike; a UTF-8
// byte-order mark is skipped. Every call is one access to the file: nothing
// is cached, so two objects bound to one file always agree.
//
// The settings objects hold one of these rather than derive from it, and
// offer only the reads and writes their file needs.
class IniFile final {
public:
    static constexpr std::size_t kStringBuffer = 260; // ReadString: 259 characters
    static constexpr std::size_t kNumberBuffer = 20;  // ReadInt, ReadBool: 19
    static constexpr std::size_t kListKeyBuffer = 20; // ReadList keys: 19
    // A settings file is read only when it is a regular file of at most
    // this size; any other reads as a file that cannot be read.
    static constexpr std::uint64_t kMaxFileBytes = std::uint64_t{16} << 20;

    explicit IniFile(std::string_view name = {});
    IniFile(const IniFile&) = default;
    IniFile& operator=(const IniFile&) = default;

    // A name that is absolute or holds a ':' is kept as it is; any other is
    // joined to the current directory of this moment.
    void setPath(std::string_view name);
    const std::string& path() const { return m_path; }

    // The key's value cut to `bufferSize` - 1 characters, or `def` (cut
    // alike) when the section or key is absent.
    [[nodiscard]] std::string readString(std::string_view section, std::string_view key, std::string_view def,
                                         std::size_t bufferSize = kStringBuffer) const;
    // Decimal conversion of the value (default given as text): leading
    // blanks and a sign accepted, stops at the first non-digit.
    [[nodiscard]] int readInt(std::string_view section, std::string_view key, std::string_view defaultText) const;
    // True when the value starts with 'Y', 'y' or '1'; an absent key reads
    // as "yes" or "no" after `defaultFlag`.
    [[nodiscard]] bool readBool(std::string_view section, std::string_view key, bool defaultFlag) const;
    // Numbered keys from 1 (the format's "%d" replaced by the number) up to
    // the first absent one or the first whose value is "_NO_MORE_"; a key
    // longer than 19 characters, or the same key again (a format without
    // "%d"), also ends the list.
    [[nodiscard]] std::vector<std::string> readList(std::string_view section, std::string_view keyFormat) const;

    // Writes the key, creating file, section or key as needed, keeping every
    // other line (and a UTF-8 byte-order mark); the file is replaced
    // atomically with CR LF line ends. False when the file could not be
    // written, or exists but could not be read (it is then left as it is
    // rather than replaced by the one key).
    [[nodiscard]] bool writeString(std::string_view section, std::string_view key, std::string_view value) const;

private:
    std::string m_path;
};

} // namespace tarvo
