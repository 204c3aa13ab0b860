#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo {

// The comma-field splitter every table reader uses.
//
// Rules (the dialer's files rely on them):
// - the line end (any trailing CR and LF) never reaches the last field;
// - fields are split at commas; blanks are kept as they are, because dialing
//   rules such as " 1FG" carry meaningful leading blanks;
// - a field that begins with a double quote runs to the next double quote and
//   comes back without the quotes, so it may hold commas; anything between
//   the closing quote and the next comma is dropped; a quote that is never
//   closed takes the rest of the line;
// - at most `max` fields are produced; the last one then holds the rest of
//   the line unsplit (callers that ask for exactly N fields treat "N fields
//   plus more" by asking for N + 1).
//
// The views point into `line`; nothing is copied. Returns the number of
// fields (0 for an empty line).
int parseTokens(std::string_view line, std::string_view* fields, int max);

// Non-zero for a line without data: blank (only blanks, tabs and the line
// end), or whose first non-blank character is '#' (version and "#HDR" header
// lines included) or ';'.
int comment(std::string_view line);

// Removes the line end (CR and LF at the end) in place.
void stripCrLf(std::string& line);
std::string_view stripCrLf(std::string_view line);

// Splits a whole text into lines at CR LF, LF or CR, without line ends; a
// last line without a line end counts, an empty text has no lines.
std::vector<std::string_view> splitLines(std::string_view text);

// A tokenizer over one text: each call of `next` gives the next run of
// characters that are not delimiters. Holds its own position, so two texts
// can be tokenized at once.
class StrTok final {
public:
    StrTok(std::string_view text, std::string_view delimiters);
    std::optional<std::string_view> next();

private:
    std::string_view m_rest;
    std::string_view m_delimiters;
};

// Decimal conversion as the dialer's files expect it: leading blanks and one
// sign accepted, stops at the first non-digit, no digits gives 0. Values past
// the 32-bit range saturate instead of overflowing.
int toInt32(std::string_view text);

} // namespace tarvo
