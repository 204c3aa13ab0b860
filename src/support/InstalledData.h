#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tarvo {

// The data files that ship with the program (the country list), found from
// where the running program is rather than from a path fixed at build time,
// so an installation works in any prefix and a package can be unpacked
// anywhere: "<program folder>/../share/tarvo/<name>". A program that runs
// inside the build tree, where nothing was installed, reads the source
// tree's "data/<name>".
class InstalledData final {
public:
    static constexpr std::string_view kFolder = "share/tarvo";

    // The file for the running program.
    [[nodiscard]] static std::string path(std::string_view name);
    // The running program's file ("/proc/self/exe"; the module's file name
    // on Windows); empty when it cannot be had.
    [[nodiscard]] static std::filesystem::path runningProgram();
    // The file for a program at `executable`: the installed file when it is
    // there, else the source tree's when `executable` lies in the build tree,
    // else the installed path all the same, so that whoever reports the
    // missing file names where it was looked for.
    [[nodiscard]] static std::string pathFor(std::string_view name, const std::filesystem::path& executable);
};

} // namespace tarvo
