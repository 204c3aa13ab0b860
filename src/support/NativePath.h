#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tarvo {

// Paths as the program holds them: 8-bit text, as the definition's paths
// are ANSI text joined with "%s\%s". On Linux that text is the file
// system's own bytes (UTF-8 in practice) and '/' joins names; on Windows it
// is text in the desktop's ANSI code page, '\' joins names, and it becomes
// UTF-16 only at the system call, so a folder such as
// "C:\Program Files\Tarvo Café" is found whatever the C library's locale.
//
// Everything that turns such a text into a std::filesystem::path, or back,
// goes through these two: the library's own narrow conversion on Windows
// knows neither the ANSI code page nor how to fail without throwing.
std::filesystem::path nativePath(std::string_view text);
std::string pathText(const std::filesystem::path& path);

// `relative`, a name or names joined with '/' ("log/update.log"), below the
// folder `base`, as path text with the platform's separators.
std::string pathUnder(const std::filesystem::path& base, std::string_view relative);

// A path that a UTF-8 source names (a `.reg` file, the desktop registry as
// our registry readers hand it out) as the program's path text. Characters
// the ANSI code page lacks become '?', as the desktop's ANSI calls make them.
std::string pathTextFromUtf8(std::string_view utf8);

// The separator that joins a folder and a name.
char pathSeparator();
// True for a separator of the platform ('/' everywhere, '\' too on Windows).
bool isPathSeparator(char c);
// True for a name that stands on its own rather than below the current
// folder: one that begins with a separator. (A name with ':' counts as well
// for the settings files; their callers test that.)
bool startsAtRoot(std::string_view text);

// The process's current folder as path text; empty when it cannot be had.
std::string currentFolder();

} // namespace tarvo
