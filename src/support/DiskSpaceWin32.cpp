#include "support/DiskSpace.h"

#include "support/WideText.h"

#include <windows.h>

namespace tarvo {

bool leavesFreeSpace(const std::string& folder, std::uint64_t keepFree)
{
    ULARGE_INTEGER available{};
    if (!::GetDiskFreeSpaceExW(ansiToWide(folder.empty() ? std::string(".") : folder).c_str(), &available, nullptr,
                               nullptr))
        return true; // nothing known: the other bounds still hold
    return available.QuadPart >= keepFree;
}

} // namespace tarvo
