#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace tarvo {

// Cuts the bytes of a version list into lines the way every other reader
// of the program does: LF, CR LF and a CR alone each end a line. The bytes
// come in pieces of any size (blocks of a file or of an HTTP body); of a
// line only its first `keep` bytes are held, so a line without end costs no
// memory, but its full length is counted and handed on with it.
class ListLineSplitter final {
public:
    // `line` gets each line without its line end, cut to `keep` bytes, and
    // the line's full length.
    using LineSink = std::function<void(std::string_view line, std::size_t length)>;

    ListLineSplitter(std::size_t keep, LineSink line) : m_keep(keep), m_sink(std::move(line)) {}

    void feed(std::string_view bytes);
    // The last line, when the data did not end with a line end.
    void finish();

private:
    void endLine();

    std::size_t m_keep;
    LineSink m_sink;
    std::string m_line;
    std::size_t m_length = 0;
    bool m_afterCr = false; // a CR ended the last line; an LF now is its second half
};

} // namespace tarvo
