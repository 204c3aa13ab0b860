#pragma once

#include "device/DeviceTransport.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>

namespace tarvo {

class RapiLibrary;

// Windows only: a handheld through the CE remote API of "rapi.dll", which
// Windows Mobile Device Center or ActiveSync installs. The library is loaded
// at the first session start, so the program starts without it; no library
// is a start refused at once (`SessionRefusal::NoManager`). A start is
// CeRapiInitEx, and its wait is on the API's event and on the thread's
// input, so the window is served while the handheld is awaited; the session
// ends with CeRapiUninit, which also stops a start that has not come up.
//
// Each call answers with the device's own error code (CeGetLastError, or
// the registry call's result); a call that failed in the remote API itself
// (CeRapiGetError: the link broke) is ERROR_GEN_FAILURE.
class RapiDllDevice final : public DeviceTransport {
public:
    static constexpr const wchar_t* kLibraryName = L"rapi.dll";

    // `library`: the name (or the full path) of the remote API's library.
    explicit RapiDllDevice(std::wstring library = kLibraryName);
    RapiDllDevice(const RapiDllDevice&) = delete;
    RapiDllDevice& operator=(const RapiDllDevice&) = delete;
    ~RapiDllDevice() override;

    bool connected() const { return m_up; }
    std::size_t openHandles() const { return m_handles.size(); }
    // The OS version the handheld reported when the session came up.
    std::uint32_t osMajor() const { return m_osMajor; }
    std::uint32_t osMinor() const { return m_osMinor; }

    std::unique_ptr<DeviceSessionStart> startSession() override;
    void endSession() override;

    DeviceError findFile(const std::u16string& path) override;
    DeviceError fileAttributes(const std::u16string& path, std::uint32_t& attributes) override;
    DeviceError createFile(const std::u16string& path, DeviceOpen mode, DeviceHandle& file) override;
    DeviceError readFile(DeviceHandle file, void* buffer, std::uint32_t size, std::uint32_t& got) override;
    DeviceError writeFile(DeviceHandle file, const void* data, std::uint32_t size, std::uint32_t& written) override;
    DeviceError closeHandle(DeviceHandle file) override;
    DeviceError deleteFile(const std::u16string& path) override;
    DeviceError moveFile(const std::u16string& from, const std::u16string& to) override;
    DeviceError createDirectory(const std::u16string& path) override;

    DeviceError regCreateKey(const std::u16string& path, DeviceHandle& key) override;
    DeviceError regOpenKey(const std::u16string& path, DeviceHandle& key) override;
    DeviceError regSetStringValue(DeviceHandle key, const std::u16string& name, const std::uint8_t* data,
                                  std::uint32_t size) override;
    DeviceError regQueryString(DeviceHandle key, const std::u16string& name, std::u16string& value) override;
    DeviceError regCloseKey(DeviceHandle key) override;

private:
    class Start;
    struct Init;

    struct Native {
        void* handle = nullptr;
        bool key = false;
    };

    // The session came up: the handheld tells its version, or it is not there.
    bool comeUp(std::uint64_t generation);
    // The error of a call that failed.
    DeviceError failure() const;
    // A registry call's result as the device's error.
    DeviceError registryResult(long result) const;
    DeviceHandle add(void* handle, bool key);
    // The open native handle of that kind; nullptr for none.
    const Native* native(DeviceHandle handle, bool key) const;

    std::wstring m_libraryName;
    std::unique_ptr<RapiLibrary> m_library;
    // The start record the API writes to until CeRapiUninit: it lives here,
    // not with the caller's wait.
    std::unique_ptr<Init> m_init;
    int m_sessionDepth = 0;
    bool m_initialized = false; // CeRapiInitEx succeeded: CeRapiUninit is due
    bool m_up = false;
    std::uint64_t m_generation = 0;
    std::uint32_t m_osMajor = 0;
    std::uint32_t m_osMinor = 0;
    std::map<DeviceHandle, Native> m_handles;
    DeviceHandle m_lastHandle = kNoDeviceHandle;
};

} // namespace tarvo
