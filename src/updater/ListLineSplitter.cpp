#include "updater/ListLineSplitter.h"

namespace tarvo {

void ListLineSplitter::feed(std::string_view bytes)
{
    while (!bytes.empty()) {
        const std::size_t end = bytes.find_first_of("\r\n");
        const std::string_view text = bytes.substr(0, end);
        if (!text.empty()) {
            m_afterCr = false;
            if (m_line.size() < m_keep)
                m_line.append(text.substr(0, m_keep - m_line.size()));
            m_length += text.size();
        }
        if (end == std::string_view::npos)
            return;
        const char mark = bytes[end];
        if (mark == '\r' || !m_afterCr)
            endLine();
        m_afterCr = mark == '\r';
        bytes.remove_prefix(end + 1);
    }
}

void ListLineSplitter::finish()
{
    if (m_length > 0)
        endLine();
    m_afterCr = false;
}

void ListLineSplitter::endLine()
{
    m_sink(m_line, m_length);
    m_line.clear();
    m_length = 0;
}

} // namespace tarvo
