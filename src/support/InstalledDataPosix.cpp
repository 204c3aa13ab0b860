#include "support/InstalledData.h"

namespace tarvo {

std::filesystem::path InstalledData::runningProgram()
{
    std::error_code ec;
    std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : executable;
}

} // namespace tarvo
