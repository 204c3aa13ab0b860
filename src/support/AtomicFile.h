#pragma once

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace tarvo {

// Writes a file so that readers only ever see the old or the new content:
// the data goes to a temporary file beside the target, which `commit`
// flushes, syncs and renames over the target. Destroyed without a commit,
// the temporary file is removed and the target is untouched.
//
// While it is open the temporary file is guarded by its writer, and the
// system drops the guard when the writer goes away, also when it is
// killed: a sweep of leftovers takes only temporary files no writer
// guards, so two programs writing into one folder (two working folders
// syncing one handheld) never remove each other's files in flight. On
// Linux the guard is an exclusive lock (flock); on Windows the writer's
// handle, which shares the file with readers but not with deleters.
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

    // Completes the content without renaming it yet: flushes, syncs and
    // closes the temporary file, which `commit` later renames (or the
    // destructor removes). For several files that take their places
    // together. A finished file is guarded no more, so only a folder that
    // no one else sweeps meanwhile suits it. False (and the file discarded)
    // when any write failed.
    [[nodiscard]] bool finish();

    const std::string& path() const { return m_path; }
    // The temporary file's name while open or finished; empty otherwise.
    const std::string& temporaryPath() const { return m_tempPath; }

    // Removes what writers stopped before their commit (killed, or the
    // machine went down) left beside `path`: files named `path` + ".tmp" and
    // six letters or digits whose writer no longer guards them. Returns how
    // many.
    static std::size_t removeLeftovers(const std::string& path);
    // The same for every file of `folder`, whatever name stands before
    // ".tmp".
    static std::size_t removeLeftoversIn(const std::string& folder);

private:
    void discard();

    // The platform's part (AtomicFilePosix.cpp, AtomicFileWin32.cpp).
    // Creates and guards a new temporary file beside the target, named as
    // `path` + ".tmp" + six letters or digits; sets m_file and m_tempPath.
    bool createTemporary();
    // Flushes and syncs the open temporary file (and gives it the usual
    // permissions where files have them).
    bool complete();
    // Renames the open temporary file over the target, still guarded.
    bool replaceWhileOpen();
    // Renames a finished (closed) temporary file over the target.
    static bool replaceFinished(const std::string& from, const std::string& to);
    static void removeFile(const std::string& path);
    // Removes `path` when no writer guards it; false when one does, or it
    // could not be removed.
    static bool removeIfAbandoned(const std::filesystem::path& path);
    static std::size_t removeTemporaryFiles(const std::filesystem::path& folder, std::string_view stem);

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
