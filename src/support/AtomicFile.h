#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace tarvo {

// Writes a file so that readers only ever see the old or the new content:
// the data goes to a temporary file beside the target, which `commit`
// flushes, syncs and renames over the target. Destroyed without a commit,
// the temporary file is removed and the target is untouched.
class AtomicFile final {
public:
    explicit AtomicFile(std::string path);
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    ~AtomicFile();

    // Creates the temporary file; false when the folder is not writable.
    [[nodiscard]] bool open();
    [[nodiscard]] bool isOpen() const { return m_file != nullptr; }

    // The stream to write to while open (stdio, so fprintf formats apply).
    std::FILE* stream() const { return m_file; }
    bool write(std::string_view data);

    // Makes the new content the file's. False (and the target untouched)
    // when any write failed or the rename did not happen.
    [[nodiscard]] bool commit();

    const std::string& path() const { return m_path; }

    // Removes what writers stopped before their commit (killed, or the
    // machine went down) left beside `path`: files named `path` + ".tmp" and
    // six letters or digits. Only for a target no one is writing now: the
    // caller holds whatever keeps other writers away. Returns how many.
    static std::size_t removeLeftovers(const std::string& path);
    // The same for every file of `folder`, whatever name stands before
    // ".tmp".
    static std::size_t removeLeftoversIn(const std::string& folder);

private:
    void discard();

    std::string m_path;
    std::string m_tempPath;
    std::FILE* m_file = nullptr;
    bool m_failed = false;
};

// Replaces `path` with `content` atomically.
bool writeFileAtomically(const std::string& path, std::string_view content);

// Reads a whole file; false when it cannot be opened or read.
bool readWholeFile(const std::string& path, std::string& content);

} // namespace tarvo
