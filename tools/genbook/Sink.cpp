#include "genbook/Sink.h"

namespace tarvo::genbook {

Sink::Sink(const std::string& path, bool gzip) : m_file(path), m_gzip(gzip)
{
    m_ok = m_file.open();
    if (m_ok && m_gzip) {
        // windowBits 15 + 16: a gzip wrapper rather than a zlib one.
        m_ok = deflateInit2(&m_zip, 3, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) == Z_OK;
        m_zipOpen = m_ok;
    }
    m_buffer.reserve(kBlock + 4096);
}

Sink::~Sink()
{
    if (m_zipOpen)
        deflateEnd(&m_zip);
}

void Sink::line(std::string_view text)
{
    m_buffer += text;
    m_buffer += "\r\n";
    maybeFlush();
}

void Sink::maybeFlush()
{
    if (m_buffer.size() >= kBlock)
        flush(Z_NO_FLUSH);
}

bool Sink::finish()
{
    flush(Z_FINISH);
    return m_ok && m_file.commit();
}

void Sink::flush(int mode)
{
    if (!m_ok) {
        m_buffer.clear();
        return;
    }
    if (!m_gzip) {
        m_ok = m_file.write(m_buffer);
        m_buffer.clear();
        return;
    }
    m_zip.next_in = reinterpret_cast<Bytef*>(m_buffer.data());
    m_zip.avail_in = static_cast<uInt>(m_buffer.size());
    char out[1 << 16];
    int status = Z_OK;
    do {
        m_zip.next_out = reinterpret_cast<Bytef*>(out);
        m_zip.avail_out = sizeof out;
        status = deflate(&m_zip, mode);
        if (status == Z_STREAM_ERROR) {
            m_ok = false;
            break;
        }
        m_ok = m_file.write(std::string_view(out, sizeof out - m_zip.avail_out)) && m_ok;
    } while (m_zip.avail_out == 0 || (mode == Z_FINISH && status != Z_STREAM_END));
    m_buffer.clear();
}

} // namespace tarvo::genbook
