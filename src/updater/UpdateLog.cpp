#include "updater/UpdateLog.h"

#include "support/AtomicFile.h"
#include "support/FileHandle.h"
#include "support/FileSizeLimit.h"
#include "support/NativePath.h"
#include "support/Tokenizer.h"

#include <cstdio>
#include <string>

namespace tarvo {

void UpdateLog::write(std::string_view text, int code) const
{
    const std::size_t count = m_records.fetch_add(1) + 1;
    if (count > m_maxRecords + 1)
        return;
    if (count == m_maxRecords + 1) {
        append("More than " + std::to_string(m_maxRecords) + " log records in this run: the rest are left out", 0);
        return;
    }
    append(text, code);
}

void UpdateLog::writeAlways(std::string_view text, int code) const
{
    append(text, code);
}

void UpdateLog::append(std::string_view text, int code) const
{
    std::string record;
    record.reserve(text.size() + 16);
    if (code != 0)
        record += std::to_string(code) + ": ";
    for (char c : text) {
        if (c == '\n')
            record += '\r';
        record += c;
    }
    record += "\r\n";
    FilePtr file = openFile(pathText(m_file), "ab");
    if (!file)
        return;
    std::fwrite(record.data(), 1, record.size(), file.get());
}

namespace {

bool startsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

// A record that marks the run's course rather than saying what went wrong.
bool isCourse(std::string_view line)
{
    return line.empty() || (line.front() == '(' && line.back() == ')') || startsWith(line, "Retrieving ") ||
           startsWith(line, "Update process ") || line == "Files are up to date";
}

constexpr std::size_t kReasonLines = 2;

} // namespace

std::string UpdateLog::lastReason(std::string_view logText)
{
    const std::vector<std::string_view> lines = splitLines(logText);
    // Gathered from the end backwards.
    std::vector<std::string_view> reason;
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
        // A run starts with "** <time>" and "** Using <server>".
        if (startsWith(*line, "** "))
            break;
        if (isCourse(*line)) {
            if (!reason.empty())
                break;
            continue;
        }
        reason.push_back(*line);
        if (reason.size() == kReasonLines)
            break;
    }
    std::string text;
    for (auto line = reason.rbegin(); line != reason.rend(); ++line) {
        if (!text.empty())
            text += '\n';
        text += *line;
    }
    return text;
}

std::string UpdateLog::lastReason() const
{
    std::string content;
    if (!readWholeFile(pathText(m_file), content))
        return {};
    return lastReason(content);
}

void UpdateLog::limitSize() const
{
    (void)limitFileSize(pathText(m_file), kSizeLimit, kSizeFactor);
}

} // namespace tarvo
