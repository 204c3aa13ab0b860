#include "support/DiskSpace.h"

#include <sys/statvfs.h>

namespace tarvo {

bool leavesFreeSpace(const std::string& folder, std::uint64_t keepFree)
{
    struct statvfs info {};
    if (::statvfs(folder.c_str(), &info) != 0)
        return true; // nothing known: the other bounds still hold
    return static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize >= keepFree;
}

} // namespace tarvo
