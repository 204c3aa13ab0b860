#include "support/LineReader.h"

#include "support/ByteSearch.h"
#include "support/ReadOnlyFile.h"

#include <cstring>

namespace tarvo {

namespace {
constexpr std::size_t kBlock = 1 << 16;
}

LineReader::LineReader(const std::string& path, std::size_t maxLine)
    : m_file(openFile(path, "rb")), m_maxLine(maxLine == 0 ? 1 : maxLine)
{
    if (m_file)
        m_buffer.resize(kBlock + m_maxLine);
}

LineReader::LineReader(const ReadOnlyFile& file, std::uint64_t begin, std::uint64_t end, std::size_t maxLine)
    : m_part(&file), m_at(begin), m_partEnd(end), m_maxLine(maxLine == 0 ? 1 : maxLine)
{
    m_buffer.resize(kBlock + m_maxLine);
}

// Bytes read into `to`; fewer than `room` only at the end of the file or of
// the part, or after an error (then m_failed is set).
std::size_t LineReader::readInto(char* to, std::size_t room)
{
    if (m_file) {
        std::size_t got = std::fread(to, 1, room, m_file.get());
        if (got < room)
            m_failed = std::ferror(m_file.get()) != 0;
        return got;
    }
    if (m_partEnd - m_at < room)
        room = static_cast<std::size_t>(m_partEnd - m_at);
    const std::ptrdiff_t got = m_part->readAt(to, room, m_at);
    if (got < 0) {
        m_failed = true;
        return 0;
    }
    m_at += static_cast<std::uint64_t>(got);
    return static_cast<std::size_t>(got);
}

bool LineReader::refill()
{
    if (m_eof || !isOpen())
        return false;
    // Keep the unread tail, then top up behind it.
    if (m_begin > 0) {
        std::memmove(m_buffer.data(), m_buffer.data() + m_begin, m_end - m_begin);
        m_end -= m_begin;
        m_begin = 0;
    }
    std::size_t room = m_buffer.size() - m_end;
    std::size_t got = readInto(m_buffer.data() + m_end, room);
    if (got < room)
        m_eof = true;
    m_end += got;
    return got > 0;
}

bool LineReader::next(std::string_view& line)
{
    if (!isOpen())
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
        if (const char* lf = findByte(start, scan, '\n'))
            end = static_cast<std::size_t>(lf - start);
        if (const char* cr = findByte(start, end, '\r')) {
            std::size_t at = static_cast<std::size_t>(cr - start);
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
