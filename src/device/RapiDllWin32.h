#pragma once

// Windows only: the CE remote API as "rapi.dll" exports it (Windows Mobile
// Device Center and ActiveSync install it in the system folder). MinGW ships
// no header for it, so the structures and prototypes are declared here from
// the API's public reference; the desktop finds each function by name at run
// time (RapiLibrary), and the tests' stand-in DLL exports the same ones.
#include <windows.h>

namespace tarvo::rapi {

// The record of an asynchronous start: the caller sets the size; the API
// hands back the event it sets when the device answered or failed, and then
// the outcome (S_OK, or a failure).
struct RAPIINIT {
    DWORD cbSize;
    HANDLE heRapiInit;
    HRESULT hrRapiInit;
};

struct CE_FIND_DATA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwOID;
    WCHAR cFileName[MAX_PATH];
};

struct CEOSVERSIONINFO {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    WCHAR szCSDVersion[128];
};

// The exported functions, each as `<name>Fn`. All use the platform's API
// calling convention (stdcall where it differs from the C one).
using CeRapiInitExFn = HRESULT(WINAPI*)(RAPIINIT* init);
using CeRapiUninitFn = HRESULT(WINAPI*)();
using CeRapiGetErrorFn = HRESULT(WINAPI*)();
using CeGetLastErrorFn = DWORD(WINAPI*)();
using CeGetVersionExFn = BOOL(WINAPI*)(CEOSVERSIONINFO* info);

using CeFindFirstFileFn = HANDLE(WINAPI*)(LPCWSTR fileName, CE_FIND_DATA* found);
using CeFindCloseFn = BOOL(WINAPI*)(HANDLE find);
using CeGetFileAttributesFn = DWORD(WINAPI*)(LPCWSTR fileName);
using CeCreateFileFn = HANDLE(WINAPI*)(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode,
                                       LPSECURITY_ATTRIBUTES security, DWORD creationDisposition,
                                       DWORD flagsAndAttributes, HANDLE templateFile);
using CeReadFileFn = BOOL(WINAPI*)(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED overlapped);
using CeWriteFileFn = BOOL(WINAPI*)(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written,
                                    LPOVERLAPPED overlapped);
using CeCloseHandleFn = BOOL(WINAPI*)(HANDLE object);
using CeDeleteFileFn = BOOL(WINAPI*)(LPCWSTR fileName);
using CeMoveFileFn = BOOL(WINAPI*)(LPCWSTR existingName, LPCWSTR newName);
using CeCreateDirectoryFn = BOOL(WINAPI*)(LPCWSTR pathName, LPSECURITY_ATTRIBUTES security);

using CeRegCreateKeyExFn = LONG(WINAPI*)(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR keyClass, DWORD options,
                                         REGSAM desired, LPSECURITY_ATTRIBUTES security, PHKEY result,
                                         LPDWORD disposition);
using CeRegOpenKeyExFn = LONG(WINAPI*)(HKEY key, LPCWSTR subKey, DWORD options, REGSAM desired, PHKEY result);
using CeRegSetValueExFn = LONG(WINAPI*)(HKEY key, LPCWSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                                        DWORD size);
using CeRegQueryValueExFn = LONG(WINAPI*)(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                          LPDWORD size);
using CeRegCloseKeyFn = LONG(WINAPI*)(HKEY key);

} // namespace tarvo::rapi
