#include "phonebook/PopFileReader.h"

namespace tarvo {

PopFileReader::PopFileReader(const std::string& path) : m_reader(path)
{
    checkFirstLine();
}

PopFileReader::PopFileReader(const ReadOnlyFile& file, std::uint64_t end) : m_reader(file, 0, end)
{
    checkFirstLine();
}

void PopFileReader::checkFirstLine()
{
    if (!m_reader.isOpen()) {
        m_opened = PopFileStatus::CannotOpen;
        return;
    }
    // An empty file holds no line that could fail the check: it is an empty
    // phonebook.
    if (!m_reader.next(m_first)) {
        m_opened = m_reader.failed() ? PopFileStatus::ReadFailed : PopFileStatus::Read;
        return;
    }
    if (!m_first.starts_with("#VER")) {
        m_opened = PopFileStatus::NotAPhonebook;
        return;
    }
    m_firstPending = true;
}

PopFileStatus PopFileReader::status() const
{
    if (m_opened != PopFileStatus::Read)
        return m_opened;
    return m_reader.failed() ? PopFileStatus::ReadFailed : PopFileStatus::Read;
}

bool PopFileReader::next(std::string_view& line)
{
    if (m_opened != PopFileStatus::Read)
        return false;
    if (m_firstPending) {
        m_firstPending = false;
        line = m_first;
        return true;
    }
    return m_reader.next(line);
}

} // namespace tarvo
