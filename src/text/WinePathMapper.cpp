#include "text/WinePathMapper.h"

#include "text/RegistryFile.h"

#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

namespace tarvo {

namespace fs = std::filesystem;

namespace {

bool isAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The names after the drive, with "." dropped and ".." taking the name
// before it away.
std::vector<std::string_view> pathNames(std::string_view path)
{
    std::vector<std::string_view> names;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find_first_of("\\/", start);
        if (end == std::string_view::npos)
            end = path.size();
        std::string_view name = path.substr(start, end - start);
        if (name == "..") {
            if (!names.empty())
                names.pop_back();
        } else if (!name.empty() && name != ".") {
            names.push_back(name);
        }
        start = end + 1;
    }
    return names;
}

// The spelling `name` has in `folder`: as written when that is there, else
// the first entry equal to it ignoring case; nullopt when there is none.
std::optional<std::string> nameOnDisk(const fs::path& folder, std::string_view name)
{
    std::error_code ec;
    const std::string written(name);
    if (fs::exists(fs::symlink_status(folder / written, ec)))
        return written;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::string entry = it->path().filename().string();
        if (RegistryFile::sameName(entry, name))
            return entry;
    }
    return std::nullopt;
}

} // namespace

WinePathMapper::WinePathMapper(std::string prefix) : m_prefix(std::move(prefix)) {}

std::optional<std::string> WinePathMapper::toLinuxPath(std::string_view windowsPath) const
{
    if (m_prefix.empty() || windowsPath.size() < 2 || !isAsciiLetter(windowsPath[0]) || windowsPath[1] != ':')
        return std::nullopt;
    const char drive[] = {static_cast<char>(windowsPath[0] | 0x20), ':', '\0'};
    std::error_code ec;
    fs::path path = fs::canonical(fs::path(m_prefix) / "dosdevices" / drive, ec);
    if (ec || !fs::is_directory(path, ec))
        return std::nullopt;
    bool onDisk = true;
    for (std::string_view name : pathNames(windowsPath.substr(2))) {
        std::optional<std::string> found = onDisk ? nameOnDisk(path, name) : std::nullopt;
        onDisk = found.has_value();
        path /= found ? *found : std::string(name);
    }
    return path.string();
}

} // namespace tarvo
