#pragma once

#include "text/RegistryFile.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarvo {

// The registry of a Wine prefix, read from the files Wine keeps it in:
// "system.reg" (HKEY_LOCAL_MACHINE) and "user.reg" (HKEY_CURRENT_USER).
// Wine writes them as
//
//   WINE REGISTRY Version 2
//   ;; All keys relative to REGISTRY\\Machine
//   #arch=win64
//
//   [Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\TarvoConnect.exe] 1796723476
//   #time=1dd86f9aabaa392
//   "Path"="C:\\Program Files\\Tarvo Caf\xe9"
//
// with key paths relative to the file's root and names and strings escaped
// as C strings, where "\x" and up to four hex digits is one UTF-16 code unit.
//
// What is read lands in a RegistryFile (names and strings as UTF-8), so a
// prefix is looked up exactly as the `.reg` file is. Only strings are kept:
// REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ, written as a quoted string or as
// "hex(1)", "hex(2)", "hex(7)" bytes, each up to its first NUL (what a
// program that reads the value into a text buffer sees). Other values are
// left out, which reads the same as a value that is not there.
//
// Keys Wine marks as links ("#link", such as the 32-bit view's
// "Software\Wow6432Node\...\App Paths", which is the 64-bit key) are read
// as the plain keys they are written as; the links are not followed.
class WineRegistry final {
public:
    static constexpr std::string_view kHeader = "WINE REGISTRY Version 2";
    static constexpr std::string_view kMachineFile = "system.reg";
    static constexpr std::string_view kUserFile = "user.reg";
    static constexpr std::string_view kMachineRoot = "HKEY_LOCAL_MACHINE";
    static constexpr std::string_view kUserRoot = "HKEY_CURRENT_USER";
    // Wine 8's fresh prefix keeps 1.7 MiB in about 9000 keys; one with many
    // programs installed some tens of MiB. The entry limit (keys and values
    // together) bounds the memory and time a file of tiny keys or tiny
    // values takes.
    static constexpr std::uintmax_t kMaxFileSize = std::uintmax_t{64} << 20;
    static constexpr std::size_t kMaxEntries = 1000000;

    struct Loaded {
        RegistryFile registry;
        // The file that is there but could not be read (no regular file,
        // larger than the limit, more keys and values than the limit, a
        // read error);
        // the registry is then empty.
        // Empty when everything there was read.
        std::string unreadableFile;
    };

    // Reads both files of `prefix`. A missing prefix or file reads as empty.
    static Loaded load(const std::string& prefix, std::uintmax_t maxFileSize = kMaxFileSize,
                       std::size_t maxEntries = kMaxEntries);

    // Adds one file's keys and strings under `root` ("HKEY_LOCAL_MACHINE").
    // Text without Wine's header adds nothing (Wine does not load it either);
    // lines that are not understood, and keys whose names the registry
    // refuses, are skipped. False, with nothing added, when the text holds
    // more than `maxEntries` keys and values (of any type) together.
    [[nodiscard]] static bool parse(std::string_view text, std::string_view root, RegistryFile& registry,
                                    std::size_t maxEntries = kMaxEntries);
};

} // namespace tarvo
