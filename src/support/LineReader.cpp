#include "support/LineReader.h"

#include <cstring>

namespace tarvo {

namespace {
constexpr std::size_t kBlock = 1 << 16;
}

LineReader::LineReader(const std::string& path, std::size_t maxLine)
    : m_file(std::fopen(path.c_str(), "rb")), m_maxLine(maxLine == 0 ? 1 : maxLine)
{
    if (m_file)
        m_buffer.resize(kBlock + m_maxLine);
}

bool LineReader::refill()
{
    if (m_eof || !m_file)
        return false;
    // Keep the unread tail, then top up behind it.
    if (m_begin > 0) {
        std::memmove(m_buffer.data(), m_buffer.data() + m_begin, m_end - m_begin);
        m_end -= m_begin;
        m_begin = 0;
    }
    std::size_t room = m_buffer.size() - m_end;
    std::size_t got = std::fread(m_buffer.data() + m_end, 1, room, m_file.get());
    if (got < room) {
        m_eof = true;
        m_failed = std::ferror(m_file.get()) != 0;
    }
    m_end += got;
    return got > 0;
}

bool LineReader::next(std::string_view& line)
{
    if (!m_file)
        return false;
    for (;;) {
        std::size_t avail = m_end - m_begin;
        std::size_t scan = avail < m_maxLine ? avail : m_maxLine;
        const char* start = m_buffer.data() + m_begin;
        // A line ends at LF, at CR LF or at a CR alone: files written on
        // other systems, or by hand, reach the dialer with any of the three.
        // LF is looked for first, as nearly every line ends in one; a CR
        // before it ends the line there unless the LF follows it at once.
        std::size_t end = scan;
        if (const void* lf = std::memchr(start, '\n', scan))
            end = static_cast<std::size_t>(static_cast<const char*>(lf) - start);
        if (const void* cr = std::memchr(start, '\r', end)) {
            std::size_t at = static_cast<std::size_t>(static_cast<const char*>(cr) - start);
            if (at + 1 < avail || m_eof) {
                std::size_t len = at + 1 < avail && start[at + 1] == '\n' ? at + 2 : at + 1;
                line = std::string_view(start, len);
                m_begin += len;
                return true;
            }
            // The CR is the last byte read so far: whether an LF follows
            // decides where the line ends.
        } else if (end < scan) {
            line = std::string_view(start, end + 1);
            m_begin += end + 1;
            return true;
        } else if (avail >= m_maxLine || (m_eof && avail > 0)) {
            line = std::string_view(start, scan);
            m_begin += scan;
            return true;
        }
        if (!refill()) {
            if (m_end > m_begin)
                continue;
            return false;
        }
    }
}

} // namespace tarvo
