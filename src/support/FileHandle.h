#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace tarvo {

struct FileCloser {
    void operator()(std::FILE* f) const noexcept { std::fclose(f); }
};

// Every stdio stream the program opens is owned by one of these.
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// fopen for the program's path text, always in binary mode (the program
// writes its CR LF itself). On Windows the file is opened through the wide
// API and shared as fopen shares it (other readers and writers welcome),
// and for deletion and renaming too, so that a reader of ours never stops
// another program from replacing the file as a whole.
FilePtr openFile(const std::string& path, const char* mode);

// True for a regular file (or a link to one) this process can open for
// reading.
bool isReadableFile(const std::string& path);

} // namespace tarvo
