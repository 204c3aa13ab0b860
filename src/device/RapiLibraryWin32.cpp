#include "device/RapiLibrary.h"

namespace tarvo {

template <typename Fn> bool RapiLibrary::find(Fn& function, const char* name)
{
    // Through the generic function type, the one cast between function
    // types that says nothing about the target's signature.
    function = reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(m_module, name)));
    return function != nullptr;
}

std::unique_ptr<RapiLibrary> RapiLibrary::load(const std::wstring& name)
{
    HMODULE module =
        ::LoadLibraryExW(name.c_str(), nullptr, LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module == nullptr)
        return nullptr;
    std::unique_ptr<RapiLibrary> library(new RapiLibrary(module));
    RapiLibrary& l = *library;
    const bool complete =
        l.find(l.CeRapiInitEx, "CeRapiInitEx") && l.find(l.CeRapiUninit, "CeRapiUninit") &&
        l.find(l.CeRapiGetError, "CeRapiGetError") && l.find(l.CeGetLastError, "CeGetLastError") &&
        l.find(l.CeGetVersionEx, "CeGetVersionEx") && l.find(l.CeFindFirstFile, "CeFindFirstFile") &&
        l.find(l.CeFindClose, "CeFindClose") && l.find(l.CeGetFileAttributes, "CeGetFileAttributes") &&
        l.find(l.CeCreateFile, "CeCreateFile") && l.find(l.CeReadFile, "CeReadFile") &&
        l.find(l.CeWriteFile, "CeWriteFile") && l.find(l.CeCloseHandle, "CeCloseHandle") &&
        l.find(l.CeDeleteFile, "CeDeleteFile") && l.find(l.CeMoveFile, "CeMoveFile") &&
        l.find(l.CeCreateDirectory, "CeCreateDirectory") && l.find(l.CeRegCreateKeyEx, "CeRegCreateKeyEx") &&
        l.find(l.CeRegOpenKeyEx, "CeRegOpenKeyEx") && l.find(l.CeRegSetValueEx, "CeRegSetValueEx") &&
        l.find(l.CeRegQueryValueEx, "CeRegQueryValueEx") && l.find(l.CeRegCloseKey, "CeRegCloseKey");
    return complete ? std::move(library) : nullptr;
}

RapiLibrary::~RapiLibrary()
{
    ::FreeLibrary(m_module);
}

} // namespace tarvo
