#include "cli/BlockWriter.h"

#include <ostream>

namespace tarvo::cli {

BlockWriter::BlockWriter(std::ostream* out) : m_out(out), m_data(makeLargeBlock<char>(kCapacity))
{
}

BlockWriter::~BlockWriter()
{
    if (m_out)
        flush();
}

char* BlockWriter::roomAfterFlush(std::size_t size)
{
    flush();
    if (size > m_capacity) {
        m_data = makeLargeBlock<char>(size);
        m_capacity = size;
    }
    return m_data.get();
}

void BlockWriter::flush()
{
    if (m_used == 0)
        return;
    if (m_out) {
        m_out->write(m_data.get(), static_cast<std::streamsize>(m_used));
    } else {
        m_kept.emplace_back(std::move(m_data), m_used);
        m_data = makeLargeBlock<char>(m_capacity);
    }
    m_used = 0;
}

void BlockWriter::writeKeptTo(std::ostream& out)
{
    flush();
    for (const auto& [data, size] : m_kept)
        out.write(data.get(), static_cast<std::streamsize>(size));
    m_kept.clear();
}

} // namespace tarvo::cli
