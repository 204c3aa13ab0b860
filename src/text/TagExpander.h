#pragma once

#include "support/ProgramTitle.h"
#include "text/TagEntry.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo {

// The profile numbers that tags carry.
struct TagIdentity {
    int customerId = 0;
    int profileId = 0;
    int phonebookId = 0;
};

// The table of angle-bracket tags used in update-server names and paths,
// and their expansion. Lookups take the first matching entry in table order
// and ignore the case of ASCII letters.
class TagExpander final {
public:
    // Values are kept to 99 characters; a longer one is cut.
    static constexpr std::size_t kMaxValue = 99;
    static constexpr std::string_view kTitle = kProgramTitle;

    TagExpander() = default;
    TagExpander(const TagExpander&) = delete;
    TagExpander& operator=(const TagExpander&) = delete;

    // Builds the 25 tags in their fixed order: the three profile numbers,
    // the language text of the user settings, "?" for every value the
    // desktop cannot know ("<WinMessage>" included), and "<Version>". The
    // caller asks the platform for the program file's version and passes the
    // most significant file-version word (major << 16 | minor) when that
    // succeeded, or nothing: "<Version>" is then the bare title. Replaces
    // whatever the table held before, so a second call does not duplicate.
    void fill(const TagIdentity& identity, std::string_view language, std::optional<std::uint32_t> fileVersionWord);

    // The first entry named `name` gets `value`; an unknown name changes
    // nothing and adds nothing.
    void setValue(std::string_view name, std::string_view value);
    void setNumber(std::string_view name, int number);
    // True and the value of the first entry named `name`; false and `value`
    // untouched when there is none.
    bool getValue(std::string_view name, std::string& value) const;

    // Replaces every known tag in `text` by its value. A '<' that starts no
    // known tag is copied like any other character, and values are not
    // expanded again. The result is never cut: it is as long as the
    // expansion needs, even past twice the length of `text`.
    void expand(std::string_view text, std::string& result) const;
    std::string expand(std::string_view text) const;

    const std::vector<TagEntry>& entries() const { return m_entries; }

private:
    std::vector<TagEntry> m_entries;
};

} // namespace tarvo
