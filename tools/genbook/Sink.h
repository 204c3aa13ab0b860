#pragma once

#include "support/AtomicFile.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <zlib.h>

namespace tarvo::genbook {

// Collects a generated file and hands it to the file in large blocks,
// compressing on the way when asked; the file appears only when finished.
class Sink final {
public:
    Sink(const std::string& path, bool gzip);
    Sink(const Sink&) = delete;
    Sink& operator=(const Sink&) = delete;
    ~Sink();

    // Text appended here goes out with the next block.
    std::string& buffer() { return m_buffer; }
    // One line with a CR LF end.
    void line(std::string_view text);
    void maybeFlush();
    // Writes what is left and puts the file in place; false when any write
    // failed.
    [[nodiscard]] bool finish();

private:
    static constexpr std::size_t kBlock = 1 << 20;

    void flush(int mode);

    AtomicFile m_file;
    bool m_gzip;
    bool m_ok = false;
    bool m_zipOpen = false;
    z_stream m_zip{};
    std::string m_buffer;
};

} // namespace tarvo::genbook
