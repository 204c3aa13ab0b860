#pragma once

#include "support/NativePath.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace tarvo {

// The working folder and every file the program keeps in it. The folder is
// where the person started the program (the window's and the command
// line's current folder), made absolute once, so nothing below the
// application depends on the process's current folder afterwards and a
// test can point a whole program at a temporary folder.
class WorkingFolder final {
public:
    // Settings files (a "-c" or "-u" name replaces these).
    static constexpr std::string_view kProfileFile = "synconfig.ini";
    static constexpr std::string_view kUserFile = "synuser.ini";
    // The desktop copy of the handheld's phonebook, the device settings and
    // the country dialing rules that a synchronization pushes.
    static constexpr std::string_view kLocalPhonebook = "cepbook.txt";
    static constexpr std::string_view kDeviceSettings = "cereg.ini";
    static constexpr std::string_view kCountryRules = "dr_country.txt";
    // One program at a time per folder; the update installer's marker.
    static constexpr std::string_view kLockFile = "synchronizer.lock";
    static constexpr std::string_view kUpdateMarker = "_updatelist.txt";
    // The update service's folders and its log.
    static constexpr std::string_view kUpdateFolder = "update";
    static constexpr std::string_view kBackupFolder = "backup";
    static constexpr std::string_view kLogFolder = "log";
    static constexpr std::string_view kUpdateLog = "log/update.log";
    static constexpr std::string_view kHelpFile = "english.htm";
    // Pictures an installation may put here in place of the window's own.
    static constexpr std::string_view kTopLogo = "logo1.bmp";
    static constexpr std::string_view kBottomLogo = "logo2.bmp";
    static constexpr std::string_view kIconFile = "TarvoSynchronizer.ico";

    // `root` is made absolute against the process's current folder.
    explicit WorkingFolder(const std::filesystem::path& root);

    const std::filesystem::path& root() const { return m_root; }
    // A file or folder of the working folder, by one of the names above.
    std::string path(std::string_view name) const { return pathUnder(m_root, name); }

    // A settings-file name as the program takes it: as it stands when it is
    // absolute or holds ':', else joined to this folder.
    std::string settingsPath(std::string_view name) const;

private:
    std::filesystem::path m_root;
};

} // namespace tarvo
