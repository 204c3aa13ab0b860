#include "support/FileHandle.h"

#include "support/WideText.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace tarvo {

namespace {

// What fopen would have left in errno, for callers that ask it why.
int errnoOf(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
        return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_TOO_MANY_OPEN_FILES:
        return EMFILE;
    default:
        return EIO;
    }
}

struct OpenMode {
    DWORD access = 0;
    DWORD creation = 0;
    int flags = _O_BINARY;
    const char* stdioMode = nullptr;
};

// The stdio modes the program uses: r, w or a, each with an optional '+'
// (a 'b' or 't' is taken as binary: the program writes its line ends itself).
bool parseMode(const char* mode, OpenMode& open)
{
    const bool update = std::strchr(mode, '+') != nullptr;
    switch (mode[0]) {
    case 'r':
        open.access = GENERIC_READ | (update ? GENERIC_WRITE : 0);
        open.creation = OPEN_EXISTING;
        open.flags |= update ? _O_RDWR : _O_RDONLY;
        open.stdioMode = update ? "r+b" : "rb";
        return true;
    case 'w':
        open.access = GENERIC_WRITE | (update ? GENERIC_READ : 0);
        open.creation = CREATE_ALWAYS;
        open.flags |= update ? _O_RDWR : _O_WRONLY;
        open.stdioMode = update ? "w+b" : "wb";
        return true;
    case 'a':
        open.access = GENERIC_WRITE | (update ? GENERIC_READ : 0);
        open.creation = OPEN_ALWAYS;
        open.flags |= _O_APPEND | (update ? _O_RDWR : _O_WRONLY);
        open.stdioMode = update ? "a+b" : "ab";
        return true;
    default:
        return false;
    }
}

} // namespace

FilePtr openFile(const std::string& path, const char* mode)
{
    OpenMode open;
    if (path.empty() || mode == nullptr || !parseMode(mode, open)) {
        errno = EINVAL;
        return nullptr;
    }
    HANDLE handle = ::CreateFileW(ansiToWide(path).c_str(), open.access,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, open.creation,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        errno = errnoOf(::GetLastError());
        return nullptr;
    }
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), open.flags);
    if (fd < 0) {
        ::CloseHandle(handle);
        return nullptr;
    }
    std::FILE* file = ::_fdopen(fd, open.stdioMode);
    if (file == nullptr) {
        ::_close(fd);
        return nullptr;
    }
    return FilePtr(file);
}

bool isReadableFile(const std::string& path)
{
    const DWORD attributes = ::GetFileAttributesW(ansiToWide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
           openFile(path, "rb") != nullptr;
}

} // namespace tarvo
