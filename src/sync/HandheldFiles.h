#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarvo {

// Where the handheld's dialer keeps its files, and the names a
// synchronization gives them there.
class HandheldFiles final {
public:
    static constexpr std::string_view kFolder = "\\Program Files\\Tarvo\\";

    static constexpr std::string_view kPhonebook = "cepbook.txt";
    static constexpr std::string_view kCountries = "cecountry.txt";
    static constexpr std::string_view kRegions = "ceregion.txt";
    static constexpr std::string_view kAreaCodeRules = "cedr_areacode.txt";
    static constexpr std::string_view kCountryRules = "cedr_country.txt";
    // Not pushed: a synchronization removes what an earlier installation left.
    static constexpr std::string_view kCities = "cecity.txt";

    HandheldFiles() = delete;

    // The device path of one of them, such as "\Program Files\Tarvo\cepbook.txt".
    static std::string devicePath(std::string_view name) { return std::string(kFolder).append(name); }
    // The device paths of the files a synchronization pushes.
    static std::vector<std::string> pushedPaths()
    {
        std::vector<std::string> paths;
        for (std::string_view name : {kPhonebook, kCountries, kRegions, kAreaCodeRules, kCountryRules})
            paths.push_back(devicePath(name));
        return paths;
    }
};

} // namespace tarvo
