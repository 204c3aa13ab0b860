#pragma once

#include "support/FileHandle.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarvo {

class ReadOnlyFile;

// Reads a text file line by line the way a fixed 1024-byte fgets buffer
// does: each line comes with its line end (LF, CR LF or a CR alone; a CR LF
// counts as one character towards the limit, as text mode reads it), and a
// physical line longer than `maxLine` bytes (1023 by default) is handed out
// as several lines. Reads in
// large blocks so a million-line phonebook costs one pass and no allocation
// per line. NUL bytes are carried as data.
class LineReader final {
public:
    static constexpr std::size_t kDefaultMaxLine = 1023;
    // An `end` that reads on to the end of the file.
    static constexpr std::uint64_t kToEnd = UINT64_MAX;

    LineReader() = default;
    explicit LineReader(const std::string& path, std::size_t maxLine = kDefaultMaxLine);
    // Reads the bytes from `begin` up to `end` of a file already open,
    // which stays the caller's and must outlive the reader. Readers of one
    // file do not disturb each other, so several can read parts of it side
    // by side. The part is read as if it were the whole file: `begin`
    // should be where a line starts and `end` just after a line end.
    LineReader(const ReadOnlyFile& file, std::uint64_t begin, std::uint64_t end,
               std::size_t maxLine = kDefaultMaxLine);
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;
    LineReader(LineReader&&) noexcept = default;
    LineReader& operator=(LineReader&&) noexcept = default;
    ~LineReader() = default;

    [[nodiscard]] bool isOpen() const { return m_file != nullptr || m_part != nullptr; }

    // The next line (valid until the next call), or false at the end.
    bool next(std::string_view& line);

    // True when a read error (not the end of the file) stopped the reader.
    [[nodiscard]] bool failed() const { return m_failed; }

private:
    bool refill();
    std::size_t readInto(char* to, std::size_t room);

    FilePtr m_file;
    const ReadOnlyFile* m_part = nullptr; // the file a part is read of, or null
    std::uint64_t m_at = 0; // where the part's next bytes are
    std::uint64_t m_partEnd = kToEnd;
    std::string m_buffer;
    std::size_t m_begin = 0;
    std::size_t m_end = 0;
    std::size_t m_maxLine = kDefaultMaxLine;
    bool m_eof = false;
    bool m_failed = false;
};

} // namespace tarvo
