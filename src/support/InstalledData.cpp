#include "support/InstalledData.h"

#include "BuildInfo.h"
#include "support/NativePath.h"

#include <algorithm>
#include <system_error>

namespace tarvo {

namespace {

bool isRegularFile(const std::filesystem::path& path)
{
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

// Whether `path` names something inside `folder`, both taken with their
// links resolved as far as they exist.
bool isInside(const std::filesystem::path& path, const std::filesystem::path& folder)
{
    std::error_code ec;
    std::filesystem::path inner = std::filesystem::weakly_canonical(path, ec);
    if (ec)
        return false;
    std::filesystem::path outer = std::filesystem::weakly_canonical(folder, ec);
    if (ec || outer.empty())
        return false;
    auto [outerEnd, innerAt] = std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end());
    return outerEnd == outer.end() && innerAt != inner.end();
}

} // namespace

std::string InstalledData::path(std::string_view name)
{
    return pathFor(name, runningProgram());
}

std::string InstalledData::pathFor(std::string_view name, const std::filesystem::path& executable)
{
    std::filesystem::path installed =
        (executable.parent_path().parent_path() / nativePath(kFolder) / nativePath(name)).lexically_normal();
    if (isRegularFile(installed))
        return pathText(installed);
    if (!executable.empty() && isInside(executable, nativePath(build::kBinaryDir)))
        return pathText(nativePath(build::kSourceDataDir) / nativePath(name));
    return pathText(installed);
}

} // namespace tarvo
