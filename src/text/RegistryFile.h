#pragma once

#include "text/RegistryReader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tarvo {

// A registry kept in a `.reg` text file ("Windows Registry Editor Version
// 5.00", "[ROOT\Key\Path]" sections, "Name"="value" lines), UTF-8. It stands
// in for the desktop registry (dialer discovery) and for the handheld's
// registry (the simulated device).
//
// Key paths are full paths with the root as first component
// ("HKEY_CURRENT_USER\Software\Tarvo"). Key and value names match ignoring
// case and keep the spelling they were created with; subkeys enumerate in
// ascending order ignoring case, as the registry returns them. Values keep
// the order in which they were first set.
//
// Only string values are read and written. Other value types found in a file
// ("dword:", "hex:") are kept verbatim so that rewriting the file does not
// lose them, but they do not read as strings. A string holding a line break
// is written as "hex(1):" (UTF-16LE bytes), as the registry editor does.
class RegistryFile final : public RegistryReader {
public:
    static constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
    static constexpr std::size_t kMaxKeyNameLength = 255; // one path component
    static constexpr std::size_t kMaxKeyDepth = 512;
    // Far above a Wine prefix's own registry files (a few MB).
    static constexpr std::uint64_t kMaxFileBytes = std::uint64_t{64} << 20;

    // An empty registry bound to `path` (nothing is read until `load`).
    explicit RegistryFile(std::string path = {});
    RegistryFile(const RegistryFile&) = default;
    RegistryFile& operator=(const RegistryFile&) = default;
    RegistryFile(RegistryFile&&) = default;
    RegistryFile& operator=(RegistryFile&&) = default;
    ~RegistryFile() override;

    const std::string& path() const { return m_path; }

    // Reads the bound file. A missing file is an empty registry (true); a
    // file that exists but cannot be read, is no regular file or is larger
    // than kMaxFileBytes leaves the registry empty and gives false. Lines
    // that are not understood are skipped.
    [[nodiscard]] bool load();
    // Replaces the content with the registry the text describes.
    void parse(std::string_view text);
    // The whole registry as `.reg` text with CR LF line ends.
    std::string serialize() const;
    // Replaces the bound file atomically; false when it could not be written.
    [[nodiscard]] bool save() const;

    bool keyExists(std::string_view keyPath) const;
    // The names of the key's direct subkeys, ascending ignoring case; false
    // (and `names` empty) when the key does not exist.
    bool enumSubkeys(std::string_view keyPath, std::vector<std::string>& names) const override;
    // False when the key or the value is absent, or the value is no string.
    bool readString(std::string_view keyPath, std::string_view name, std::string& value) const override;

    // Creates the key and any missing parent (or finds it). False for an
    // invalid path: empty, an empty component, a component longer than 255
    // characters or holding a control character, or deeper than 512 levels.
    // `created` tells whether the key is new.
    bool createKey(std::string_view keyPath, bool* created = nullptr);
    // Sets a string value of an existing key; a value of the same name (any
    // case) is replaced and keeps its spelling. False when the key does not
    // exist or the name holds CR, LF or NUL.
    bool setString(std::string_view keyPath, std::string_view name, std::string_view value);

    // The order the registry sorts names in: compared as UTF-16 after
    // upper-casing, so "TarvoConnect.exe" < "TARVOCONNECT2.EXE" and
    // "AAB" < "A_B". Negative, 0 or positive.
    static int compareNames(std::string_view a, std::string_view b);
    static bool sameName(std::string_view a, std::string_view b) { return compareNames(a, b) == 0; }

private:
    struct Value {
        std::string name;
        bool isString = true;
        std::string data; // the string (UTF-8), or the raw text after '=' for other types
    };
    struct Key {
        std::string name;
        std::vector<Value> values;
        // Each value's position by its name as the registry compares names
        // (folded): a key of many thousand values is read and set without
        // a walk over the others.
        std::unordered_map<std::u16string, std::size_t> valueIndex;
        std::vector<Key> subkeys; // kept sorted with compareNames
    };

    const Key* findKey(std::string_view keyPath) const;
    Key* findKey(std::string_view keyPath);
    Key* ensureKey(std::string_view keyPath, bool* created);
    static void setValue(Key& key, Value value);
    static const Value* findValue(const Key& key, std::string_view name);
    static void serializeKey(const Key& key, std::string& prefix, std::string& out);

    std::string m_path;
    std::vector<Key> m_roots;
};

} // namespace tarvo
