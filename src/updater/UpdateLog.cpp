#include "updater/UpdateLog.h"

#include "support/FileHandle.h"
#include "support/FileSizeLimit.h"

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
    FilePtr file = openFile(m_file.string(), "ab");
    if (!file)
        return;
    std::fwrite(record.data(), 1, record.size(), file.get());
}

void UpdateLog::limitSize() const
{
    (void)LimitFileSize(m_file.string(), kSizeLimit, kSizeFactor);
}

} // namespace tarvo
