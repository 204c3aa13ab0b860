#include "support/AtomicFile.h"

#include "support/FileHandle.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvo {

AtomicFile::AtomicFile(std::string path) : m_path(std::move(path)) {}

AtomicFile::~AtomicFile()
{
    discard();
}

bool AtomicFile::open()
{
    discard();
    m_failed = false;
    // mkstemp keeps two writers of the same target from sharing a temp file.
    std::string pattern = m_path + ".tmpXXXXXX";
    int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        return false;
    m_file = ::fdopen(fd, "wb");
    if (!m_file) {
        ::close(fd);
        ::unlink(pattern.c_str());
        return false;
    }
    m_tempPath = pattern;
    return true;
}

bool AtomicFile::write(std::string_view data)
{
    if (!m_file)
        return false;
    if (!data.empty() && std::fwrite(data.data(), 1, data.size(), m_file) != data.size())
        m_failed = true;
    return !m_failed;
}

bool AtomicFile::commit()
{
    if (!m_file)
        return false;
    bool ok = !m_failed && std::ferror(m_file) == 0 && std::fflush(m_file) == 0 && ::fsync(::fileno(m_file)) == 0;
    // New files get the usual permissions rather than mkstemp's 0600.
    mode_t mask = ::umask(0);
    ::umask(mask);
    ok = ok && ::fchmod(::fileno(m_file), 0666 & ~mask) == 0;
    ok = std::fclose(m_file) == 0 && ok;
    m_file = nullptr;
    if (ok && std::rename(m_tempPath.c_str(), m_path.c_str()) == 0) {
        m_tempPath.clear();
        return true;
    }
    ::unlink(m_tempPath.c_str());
    m_tempPath.clear();
    return false;
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
