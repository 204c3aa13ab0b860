#pragma once

#include "support/LineReader.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tarvo {

// How reading a POP file went.
enum class PopFileStatus {
    Read,          // read to the end
    CannotOpen,
    NotAPhonebook, // the first line does not begin with "#VER"
    ReadFailed,    // a read error stopped it part-way
};

// Opens a POP file ("pbook.txt", "cbook.txt", the handheld's "cepbook.txt")
// and checks that it is one: its first line must begin with "#VER" (an
// empty file is an empty phonebook). Lines then come as the dialer's
// 1024-byte line buffer reads them, the version line first.
class PopFileReader final {
public:
    explicit PopFileReader(const std::string& path);
    // The first part of a file already open (see LineReader), up to `end`,
    // checked the same way.
    PopFileReader(const ReadOnlyFile& file, std::uint64_t end);
    PopFileReader(const PopFileReader&) = delete;
    PopFileReader& operator=(const PopFileReader&) = delete;

    // Read while the file is a phonebook and lines are left; otherwise why
    // it cannot be read (ReadFailed once a read error stopped it).
    [[nodiscard]] PopFileStatus status() const;

    // The next line (valid until the next call), or false at the end.
    bool next(std::string_view& line);

private:
    void checkFirstLine();

    LineReader m_reader;
    PopFileStatus m_opened = PopFileStatus::Read;
    std::string_view m_first;
    bool m_firstPending = false;
};

} // namespace tarvo
