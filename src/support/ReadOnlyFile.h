#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace tarvo {

// A file open for reading at any offset from several threads side by side,
// none disturbing another (nothing moves a file position): a million-POP
// phonebook read in parts. On Linux each read is a pread; on Windows a file
// on a local disk is mapped into memory once (CreateFileMapping) and a read
// is a copy from the view, where a read through the system would cost a call
// each; a file on a share or a removable disk is read with ReadFile at an
// offset, since a view of it dies with the share.
class ReadOnlyFile final {
public:
    // Null when the file cannot be opened.
    [[nodiscard]] static std::unique_ptr<ReadOnlyFile> open(const std::string& path);
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
    ~ReadOnlyFile();

    // The size when it was opened.
    [[nodiscard]] std::uint64_t size() const { return m_size; }
    // Up to `size` bytes at `offset`: fewer only at the end of the file, 0
    // there; -1 after an error.
    std::ptrdiff_t readAt(void* buffer, std::size_t size, std::uint64_t offset) const;

private:
    ReadOnlyFile() = default;

    std::uint64_t m_size = 0;
    std::intptr_t m_handle = -1;      // the descriptor, or the file's HANDLE
    // Windows only; the POSIX build reads with pread and leaves them unused.
    [[maybe_unused]] std::intptr_t m_mapping = 0;           // the mapping's HANDLE
    [[maybe_unused]] const unsigned char* m_view = nullptr; // the whole file, when mapped
};

} // namespace tarvo
