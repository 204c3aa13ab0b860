#pragma once

// Windows only, as RapiDllWin32.h.
#include "device/RapiDllWin32.h"

#include <memory>
#include <string>

namespace tarvo {

// The loaded "rapi.dll" and the functions the device link calls, found by
// name. The library is loaded at run time, so the program starts on a PC
// without it; the module is freed with its owner.
class RapiLibrary final {
public:
    // Loaded from the program's folder or the system folder (never the
    // current folder, which holds the person's files); `name` may be a full
    // path. Null when there is no such library, or it lacks a function.
    static std::unique_ptr<RapiLibrary> load(const std::wstring& name);

    RapiLibrary(const RapiLibrary&) = delete;
    RapiLibrary& operator=(const RapiLibrary&) = delete;
    ~RapiLibrary();

    rapi::CeRapiInitExFn CeRapiInitEx = nullptr;
    rapi::CeRapiUninitFn CeRapiUninit = nullptr;
    rapi::CeRapiGetErrorFn CeRapiGetError = nullptr;
    rapi::CeGetLastErrorFn CeGetLastError = nullptr;
    rapi::CeGetVersionExFn CeGetVersionEx = nullptr;
    rapi::CeFindFirstFileFn CeFindFirstFile = nullptr;
    rapi::CeFindCloseFn CeFindClose = nullptr;
    rapi::CeGetFileAttributesFn CeGetFileAttributes = nullptr;
    rapi::CeCreateFileFn CeCreateFile = nullptr;
    rapi::CeReadFileFn CeReadFile = nullptr;
    rapi::CeWriteFileFn CeWriteFile = nullptr;
    rapi::CeCloseHandleFn CeCloseHandle = nullptr;
    rapi::CeDeleteFileFn CeDeleteFile = nullptr;
    rapi::CeMoveFileFn CeMoveFile = nullptr;
    rapi::CeCreateDirectoryFn CeCreateDirectory = nullptr;
    rapi::CeRegCreateKeyExFn CeRegCreateKeyEx = nullptr;
    rapi::CeRegOpenKeyExFn CeRegOpenKeyEx = nullptr;
    rapi::CeRegSetValueExFn CeRegSetValueEx = nullptr;
    rapi::CeRegQueryValueExFn CeRegQueryValueEx = nullptr;
    rapi::CeRegCloseKeyFn CeRegCloseKey = nullptr;

private:
    explicit RapiLibrary(HMODULE module) : m_module(module) {}
    template <typename Fn> bool find(Fn& function, const char* name);

    HMODULE m_module;
};

} // namespace tarvo
