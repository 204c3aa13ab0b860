#include "support/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvo {

namespace {

// A sweep may take a new temporary file between its creation and its lock;
// the writer then simply makes another.
constexpr int kOpenAttempts = 8;

} // namespace

bool AtomicFile::createTemporary()
{
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        // mkstemp keeps two writers of the same target from sharing a temp file.
        std::string pattern = m_path + ".tmpXXXXXX";
        int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (fd < 0)
            return false;
        // Locked before the first byte; still linked once locked, so no
        // sweep removed it in between. A file system without locks leaves
        // the file unmarked, as it always was there.
        const bool sweptMeanwhile = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
        struct stat info {};
        if (sweptMeanwhile || ::fstat(fd, &info) != 0 || info.st_nlink == 0) {
            ::close(fd); // the sweep that has it removes it
            continue;
        }
        m_file = ::fdopen(fd, "wb");
        if (!m_file) {
            ::close(fd);
            ::unlink(pattern.c_str());
            return false;
        }
        m_tempPath = pattern;
        return true;
    }
    return false;
}

bool AtomicFile::complete()
{
    bool ok = !m_failed && std::ferror(m_file) == 0 && std::fflush(m_file) == 0 && ::fsync(::fileno(m_file)) == 0;
    // New files get the usual permissions rather than mkstemp's 0600.
    mode_t mask = ::umask(0);
    ::umask(mask);
    return ok && ::fchmod(::fileno(m_file), 0666 & ~mask) == 0;
}

bool AtomicFile::replaceWhileOpen()
{
    return std::rename(m_tempPath.c_str(), m_path.c_str()) == 0;
}

bool AtomicFile::replaceFinished(const std::string& from, const std::string& to)
{
    return std::rename(from.c_str(), to.c_str()) == 0;
}

void AtomicFile::removeFile(const std::string& path)
{
    ::unlink(path.c_str());
}

// The lock is held while the file is removed, and the name must still be
// the file locked: a writer that locked it first keeps it, and one that
// comes second sees it gone.
bool AtomicFile::removeIfAbandoned(const std::filesystem::path& path)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool removed = false;
    struct stat opened {};
    struct stat named {};
    // Held by a live writer: not ours. A file system without locks cannot
    // tell; its leftovers go as they always did.
    const bool live = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    if (!live && ::fstat(fd, &opened) == 0 && ::lstat(path.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
        opened.st_ino == named.st_ino)
        removed = ::unlink(path.c_str()) == 0;
    ::close(fd);
    return removed;
}

} // namespace tarvo
