#pragma once

#include <iosfwd>
#include <string_view>
#include <vector>

namespace tarvo {
class PopRecord;
struct StatusReport;
} // namespace tarvo

namespace tarvo::cli {

// `--format json` of `list` and `status`, for scripts that would otherwise
// parse the text. Texts are UTF-8: the dialer's and the profile's bytes are
// converted from the ANSI code page as the window shows them. Only this file
// includes the JSON library.

// The keys of a listed POP, the TSV header's names in its order.
inline constexpr std::string_view kPopKeys[] = {"pop",       "country",      "region",     "city",
                                                "area_code", "phone_number", "on_handheld"};

// An array with one object per row; "on_handheld" is a boolean, the other
// values are the texts the table shows. One object a line, so a long list
// still reads well with line tools.
void writePopsJson(std::ostream& out, const std::vector<PopRecord*>& rows);

// One object with the keys of `status`, in its order: numbers as numbers,
// "show_price" a boolean, "pops_on_handheld" null when the handheld's
// phonebook could not be read, credentials and header lines as "set" or "unset",
// and each server set's addresses as an array under "profile_servers" and
// "global_servers" (the count the text gives is the array's length).
void writeStatusJson(std::ostream& out, const StatusReport& status);

} // namespace tarvo::cli
