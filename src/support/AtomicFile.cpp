#include "support/AtomicFile.h"

#include "support/FileHandle.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvo {

namespace {

constexpr std::string_view kTempMark = ".tmp";
constexpr std::size_t kTempSuffix = 6; // the XXXXXX mkstemp fills in
// A sweep may take a new temporary file between its creation and its lock;
// the writer then simply makes another.
constexpr int kOpenAttempts = 8;

// True for "<stem>.tmpXXXXXX" as open() names its temporary files, with
// `stem` (or any non-empty stem when `stem` is empty).
bool isTemporaryName(std::string_view name, std::string_view stem)
{
    if (name.size() <= kTempMark.size() + kTempSuffix)
        return false;
    std::string_view suffix = name.substr(name.size() - kTempSuffix);
    for (char c : suffix)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')))
            return false;
    std::string_view head = name.substr(0, name.size() - kTempSuffix);
    if (!head.ends_with(kTempMark))
        return false;
    head.remove_suffix(kTempMark.size());
    return stem.empty() ? !head.empty() : head == stem;
}

// Removes `path` when no writer holds its lock. The lock is held while the
// file is removed, and the name must still be the file locked: a writer
// that locked it first keeps it, and one that comes second sees it gone.
bool removeIfAbandoned(const std::filesystem::path& path)
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

std::size_t removeTemporaryFiles(const std::filesystem::path& folder, std::string_view stem)
{
    namespace fs = std::filesystem;
    std::size_t removed = 0;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (!isTemporaryName(it->path().filename().native(), stem))
            continue;
        std::error_code typeError;
        if (!it->is_regular_file(typeError) || it->is_symlink(typeError))
            continue;
        if (removeIfAbandoned(it->path()))
            ++removed;
    }
    return removed;
}

} // namespace

AtomicFile::AtomicFile(std::string path) : m_path(std::move(path)) {}

AtomicFile::~AtomicFile()
{
    discard();
}

bool AtomicFile::open()
{
    discard();
    m_failed = false;
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

bool AtomicFile::write(std::string_view data)
{
    if (!m_file)
        return false;
    if (!data.empty() && std::fwrite(data.data(), 1, data.size(), m_file) != data.size())
        m_failed = true;
    return !m_failed;
}

bool AtomicFile::complete()
{
    bool ok = !m_failed && std::ferror(m_file) == 0 && std::fflush(m_file) == 0 && ::fsync(::fileno(m_file)) == 0;
    // New files get the usual permissions rather than mkstemp's 0600.
    mode_t mask = ::umask(0);
    ::umask(mask);
    return ok && ::fchmod(::fileno(m_file), 0666 & ~mask) == 0;
}

bool AtomicFile::commit()
{
    if (m_tempPath.empty())
        return false;
    if (m_file && !complete()) {
        discard();
        return false;
    }
    // Renamed while still open, so the lock keeps sweeps away until the
    // file has its name.
    if (std::rename(m_tempPath.c_str(), m_path.c_str()) != 0) {
        discard();
        return false;
    }
    m_tempPath.clear();
    if (m_file) {
        // Everything is on disk already; the close cannot lose data.
        std::fclose(m_file);
        m_file = nullptr;
    }
    return true;
}

bool AtomicFile::finish()
{
    if (!m_file)
        return false;
    bool ok = complete();
    ok = std::fclose(m_file) == 0 && ok;
    m_file = nullptr;
    if (!ok)
        discard();
    return ok;
}

void AtomicFile::discard()
{
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    if (!m_tempPath.empty()) {
        ::unlink(m_tempPath.c_str());
        m_tempPath.clear();
    }
}

std::size_t AtomicFile::removeLeftovers(const std::string& path)
{
    std::filesystem::path target(path);
    std::filesystem::path folder = target.parent_path();
    return removeTemporaryFiles(folder.empty() ? std::filesystem::path(".") : folder, target.filename().native());
}

std::size_t AtomicFile::removeLeftoversIn(const std::string& folder)
{
    return removeTemporaryFiles(folder, {});
}

bool writeFileAtomically(const std::string& path, std::string_view content)
{
    AtomicFile file(path);
    return file.open() && file.write(content) && file.commit();
}

bool readWholeFile(const std::string& path, std::string& content)
{
    FilePtr f = openFile(path, "rb");
    if (!f)
        return false;
    content.clear();
    char block[65536];
    std::size_t got;
    while ((got = std::fread(block, 1, sizeof block, f.get())) > 0)
        content.append(block, got);
    return std::ferror(f.get()) == 0;
}

} // namespace tarvo
