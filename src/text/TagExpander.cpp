#include "text/TagExpander.h"

namespace tarvo {

namespace {

constexpr std::string_view kUnknown = "?";

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// True when `text` begins with `name`, ignoring ASCII case; never looks past
// the end of `text`.
bool startsWithIgnoreCase(std::string_view text, std::string_view name)
{
    if (text.size() < name.size())
        return false;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (lowerAscii(text[i]) != lowerAscii(name[i]))
            return false;
    return true;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && startsWithIgnoreCase(a, b);
}

std::string limited(std::string_view value)
{
    return std::string(value.substr(0, TagExpander::kMaxValue));
}

} // namespace

void TagExpander::fill(const TagIdentity& identity, std::string_view language,
                       std::optional<std::uint32_t> fileVersionWord)
{
    std::string version(kTitle);
    if (fileVersionWord)
        version += std::to_string(*fileVersionWord >> 16) + "." + std::to_string(*fileVersionWord & 0xFFFFu);

    m_entries = {
        {"<AutoRedial>", std::string(kUnknown)},
        {"<CustomerID>", std::to_string(identity.customerId)},
        {"<PopID>", std::string(kUnknown)},
        {"<Prefix>", std::string(kUnknown)},
        {"<ProfileID>", std::to_string(identity.profileId)},
        {"<PhonebookID>", std::to_string(identity.phonebookId)},
        {"<RasErrorCode>", std::string(kUnknown)},
        {"<Suffix>", std::string(kUnknown)},
        {"<UserName>", std::string(kUnknown)},
        {"<UserDomain>", std::string(kUnknown)},
        {"<UserPassword>", std::string(kUnknown)},
        {"<Version>", limited(version)},
        {"<VpnDomain>", std::string(kUnknown)},
        {"<VpnPassword>", std::string(kUnknown)},
        {"<VpnUserName>", std::string(kUnknown)},
        {"<WinHandle>", std::string(kUnknown)},
        // No window message exists on the desktop, so it is unknown like the
        // other dialer-side values (not a second copy of the phonebook id).
        {"<WinMessage>", std::string(kUnknown)},
        {"<Language>", limited(language)},
        {"<Login>", std::string(kUnknown)},
        {"<City>", std::string(kUnknown)},
        {"<Region>", std::string(kUnknown)},
        {"<Country>", std::string(kUnknown)},
        {"<ModemPhone>", std::string(kUnknown)},
        {"<DialString>", std::string(kUnknown)},
        {"<SqmDialString>", std::string(kUnknown)},
    };
}

void TagExpander::setValue(std::string_view name, std::string_view value)
{
    for (TagEntry& entry : m_entries) {
        if (equalsIgnoreCase(entry.name, name)) {
            entry.value = limited(value);
            return;
        }
    }
}

void TagExpander::setNumber(std::string_view name, int number)
{
    setValue(name, std::to_string(number));
}

bool TagExpander::getValue(std::string_view name, std::string& value) const
{
    for (const TagEntry& entry : m_entries) {
        if (equalsIgnoreCase(entry.name, name)) {
            value = entry.value;
            return true;
        }
    }
    return false;
}

void TagExpander::expand(std::string_view text, std::string& result) const
{
    result = expand(text);
}

std::string TagExpander::expand(std::string_view text) const
{
    std::string result;
    result.reserve(text.size() * 2);
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t open = text.find('<', pos);
        if (open == std::string_view::npos) {
            result.append(text.substr(pos));
            break;
        }
        result.append(text.substr(pos, open - pos));
        std::string_view rest = text.substr(open);
        const TagEntry* match = nullptr;
        for (const TagEntry& entry : m_entries) {
            if (startsWithIgnoreCase(rest, entry.name)) {
                match = &entry;
                break;
            }
        }
        if (match) {
            result.append(match->value);
            // Every name ends in its only '>', so the tag ends with the name.
            pos = open + match->name.size();
        } else {
            result.push_back('<');
            pos = open + 1;
        }
    }
    return result;
}

} // namespace tarvo
