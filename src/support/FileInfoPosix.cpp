#include "support/FileInfo.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvo {

FileInfo fileInfo(const std::string& path)
{
    FileInfo info;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        info.error = std::strerror(errno);
        info.kind = errno == ENOENT || errno == ENOTDIR ? FileInfo::Kind::Missing : FileInfo::Kind::Unknown;
        return info;
    }
    if (S_ISREG(st.st_mode)) {
        info.kind = FileInfo::Kind::Regular;
        info.size = static_cast<std::uint64_t>(st.st_size);
    } else {
        info.kind = S_ISDIR(st.st_mode) ? FileInfo::Kind::Folder : FileInfo::Kind::Other;
    }
    return info;
}

bool isSameFile(const std::string& a, const std::string& b)
{
    struct stat first {};
    struct stat second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

bool linkReplacing(const std::string& original, const std::string& copy)
{
    std::string linkName = copy + ".tmpXXXXXX";
    int fd = ::mkstemp(linkName.data());
    if (fd < 0)
        return false;
    ::close(fd);
    ::unlink(linkName.c_str());
    if (::link(original.c_str(), linkName.c_str()) != 0)
        return false;
    if (std::rename(linkName.c_str(), copy.c_str()) == 0)
        return true;
    ::unlink(linkName.c_str());
    return false;
}

std::string makeFolder(const std::string& path)
{
    return ::mkdir(path.c_str(), 0777) == 0 ? std::string() : std::string(std::strerror(errno));
}

} // namespace tarvo
