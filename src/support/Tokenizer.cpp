#include "support/Tokenizer.h"

#include <cstdint>
#include <limits>

namespace tarvo {

std::string_view stripCrLf(std::string_view line)
{
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    return line;
}

void stripCrLf(std::string& line)
{
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
}

int parseTokens(std::string_view line, std::string_view* fields, int max)
{
    line = stripCrLf(line);
    if (line.empty() || max <= 0)
        return 0;

    int count = 0;
    std::size_t pos = 0;
    for (;;) {
        if (count == max - 1) {
            // Last allowed field: the rest of the line, quotes handled alike.
            std::string_view rest = line.substr(pos);
            if (!rest.empty() && rest.front() == '"') {
                std::size_t close = rest.find('"', 1);
                rest = close == std::string_view::npos ? rest.substr(1) : rest.substr(1, close - 1);
            }
            fields[count++] = rest;
            return count;
        }
        if (pos < line.size() && line[pos] == '"') {
            std::size_t close = line.find('"', pos + 1);
            if (close == std::string_view::npos) {
                fields[count++] = line.substr(pos + 1);
                return count;
            }
            fields[count++] = line.substr(pos + 1, close - pos - 1);
            std::size_t comma = line.find(',', close + 1);
            if (comma == std::string_view::npos)
                return count;
            pos = comma + 1;
        } else {
            std::size_t comma = line.find(',', pos);
            if (comma == std::string_view::npos) {
                fields[count++] = line.substr(pos);
                return count;
            }
            fields[count++] = line.substr(pos, comma - pos);
            pos = comma + 1;
        }
    }
}

int comment(std::string_view line)
{
    for (char c : line) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
            continue;
        return c == '#' || c == ';' ? 1 : 0;
    }
    return 1;
}

std::vector<std::string_view> splitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines.push_back(text.substr(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

StrTok::StrTok(std::string_view text, std::string_view delimiters)
    : m_rest(text), m_delimiters(delimiters)
{
}

std::optional<std::string_view> StrTok::next()
{
    std::size_t start = m_rest.find_first_not_of(m_delimiters);
    if (start == std::string_view::npos) {
        m_rest = {};
        return std::nullopt;
    }
    std::size_t end = m_rest.find_first_of(m_delimiters, start);
    std::string_view token = m_rest.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    m_rest = end == std::string_view::npos ? std::string_view{} : m_rest.substr(end + 1);
    return token;
}

int toInt32(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r'
                               || text[i] == '\v' || text[i] == '\f'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::int64_t value = 0;
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<int>::max()} + 1;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > kLimit)
            value = kLimit;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int>::max())
        value = std::numeric_limits<int>::max();
    return static_cast<int>(value);
}

} // namespace tarvo
