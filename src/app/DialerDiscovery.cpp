#include "app/DialerDiscovery.h"

#include "support/NativePath.h"
#include "support/PathJoin.h"
#include "text/IniFile.h"
#include "text/RegistryReader.h"
#include "text/WinePathMapper.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <optional>
#include <vector>

namespace tarvo {

namespace {

// The desktop reads "Path" into 260 bytes and the version into 100.
constexpr std::size_t kPathLimit = 259;
constexpr std::size_t kVersionBuffer = 100;
constexpr std::size_t kSubkeyNameLimit = 255;

std::string upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

} // namespace

std::string DialerDiscovery::find(const RegistryReader& registry, const WinePathMapper* paths)
{
    // The limit is the desktop's, so it applies to the value as read (as
    // path text), before it is mapped.
    auto folderOf = [&registry, paths](const std::string& key) -> std::optional<std::string> {
        std::string path;
        if (!registry.readString(key, "Path", path))
            return std::nullopt;
        if (!paths)
            path = pathTextFromUtf8(path);
        if (path.size() > kPathLimit)
            return std::nullopt;
        if (paths)
            return paths->toLinuxPath(path);
        return path;
    };

    std::string bestVersion = "0";
    std::string home;

    std::vector<std::string> subkeys;
    if (registry.enumSubkeys(kAppPathsKey, subkeys)) {
        for (const std::string& name : subkeys) {
            if (name.size() > kSubkeyNameLimit || upper(name).find("TARVOCONNECT") == std::string::npos)
                continue;
            std::optional<std::string> path = folderOf(std::string(kAppPathsKey) + "\\" + name);
            if (!path)
                continue;
            IniFile config(joinPath(*path, "config.ini"));
            std::string version = config.readString("Profile", "DialerVersionNo", "0", kVersionBuffer);
            // Plain byte-wise text comparison, as the dialer's versions were always compared.
            if (std::strcmp(version.c_str(), bestVersion.c_str()) >= 0) {
                bestVersion = version;
                home = *path;
            }
        }
    }

    if (home.empty())
        home = folderOf(kUserInstallKey).value_or("");
    return home;
}

} // namespace tarvo
