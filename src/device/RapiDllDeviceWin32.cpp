#include "device/RapiDllDevice.h"

#include "ceproto/CeWin32.h"
#include "ceproto/Utf16Le.h"
#include "device/RapiLibrary.h"

#include <algorithm>
#include <span>
#include <utility>
#include <vector>

namespace tarvo {

namespace {

constexpr DWORD kFallbackWaitMs = 100;
// More than any string value the dialer's settings hold; a device that
// claims a larger one is not believed.
constexpr DWORD kMaxValueBytes = 1024 * 1024;

std::wstring wide(const std::u16string& text)
{
    return std::wstring(text.begin(), text.end());
}

} // namespace

struct RapiDllDevice::Init {
    rapi::RAPIINIT record{};
};

// One session start: the API's event, awaited together with the thread's
// input so that the link can serve the window between waits. A start that
// cannot begin (no library, CeRapiInitEx refused) is signalled at once.
class RapiDllDevice::Start final : public DeviceSessionStart {
public:
    // Signalled at once, with this outcome.
    Start(std::int32_t status, SessionRefusal refusal) : m_done(true), m_status(status), m_refusal(refusal) {}
    Start(RapiDllDevice& device, std::uint64_t generation, HANDLE event)
        : m_device(&device), m_generation(generation), m_event(event)
    {
    }

    DeviceWait wait(std::chrono::milliseconds timeout) override
    {
        if (m_done)
            return DeviceWait::Signalled;
        const auto ms = static_cast<DWORD>(std::clamp<std::chrono::milliseconds::rep>(timeout.count(), 0, INFINITE - 1));
        DWORD result = ::MsgWaitForMultipleObjects(1, &m_event, FALSE, ms, QS_ALLINPUT);
        if (result == WAIT_FAILED) {
            // The event alone, briefly; input that came meanwhile is served
            // by the link after this wait.
            result = ::WaitForSingleObject(m_event, std::min(ms, kFallbackWaitMs));
            if (result == WAIT_FAILED)
                return DeviceWait::Failed;
        }
        if (result != WAIT_OBJECT_0)
            return DeviceWait::TimedOut;
        m_done = true;
        m_status = m_device->m_init->record.hrRapiInit;
        if (m_status >= 0 && !m_device->comeUp(m_generation))
            m_status = kEFail;
        return DeviceWait::Signalled;
    }

    std::int32_t status() const override { return m_status; }
    SessionRefusal refusal() const override { return m_status >= 0 ? SessionRefusal::None : m_refusal; }

private:
    RapiDllDevice* m_device = nullptr;
    std::uint64_t m_generation = 0;
    HANDLE m_event = nullptr;
    bool m_done = false;
    std::int32_t m_status = kEFail;
    SessionRefusal m_refusal = SessionRefusal::NoDevice;
};

RapiDllDevice::RapiDllDevice(std::wstring library)
    : m_libraryName(std::move(library)), m_init(std::make_unique<Init>())
{
}

RapiDllDevice::~RapiDllDevice()
{
    // The session, and a start still in progress, end before the library goes.
    while (m_sessionDepth > 0)
        endSession();
}

std::unique_ptr<DeviceSessionStart> RapiDllDevice::startSession()
{
    if (m_sessionDepth++ > 0) {
        // A start inside a session: up already, or nothing to start.
        return m_up ? std::make_unique<Start>(0, SessionRefusal::None)
                    : std::make_unique<Start>(kEFail, SessionRefusal::NoDevice);
    }
    if (!m_library)
        m_library = RapiLibrary::load(m_libraryName);
    if (!m_library)
        return std::make_unique<Start>(kEFail, SessionRefusal::NoManager);
    m_init->record = {};
    m_init->record.cbSize = sizeof(rapi::RAPIINIT);
    const HRESULT started = m_library->CeRapiInitEx(&m_init->record);
    if (FAILED(started) || m_init->record.heRapiInit == nullptr) {
        // Nothing to wait for; the session's end still uninitialises.
        m_initialized = SUCCEEDED(started);
        return std::make_unique<Start>(kEFail, SessionRefusal::NoDevice);
    }
    m_initialized = true;
    return std::make_unique<Start>(*this, m_generation, m_init->record.heRapiInit);
}

bool RapiDllDevice::comeUp(std::uint64_t generation)
{
    if (generation != m_generation || m_sessionDepth == 0 || !m_initialized)
        return false;
    rapi::CEOSVERSIONINFO version{};
    version.dwOSVersionInfoSize = sizeof(version);
    if (!m_library->CeGetVersionEx(&version))
        return false;
    m_osMajor = version.dwMajorVersion;
    m_osMinor = version.dwMinorVersion;
    m_up = true;
    return true;
}

void RapiDllDevice::endSession()
{
    if (m_sessionDepth == 0 || --m_sessionDepth > 0)
        return;
    ++m_generation;
    // What the desktop left open goes with the session.
    if (m_up) {
        for (const auto& [handle, open] : m_handles) {
            if (open.key)
                (void)m_library->CeRegCloseKey(static_cast<HKEY>(open.handle));
            else
                (void)m_library->CeCloseHandle(open.handle);
        }
    }
    m_handles.clear();
    m_up = false;
    if (std::exchange(m_initialized, false))
        (void)m_library->CeRapiUninit();
}

DeviceError RapiDllDevice::failure() const
{
    if (FAILED(m_library->CeRapiGetError()))
        return ce::kErrorGenFailure;
    const DWORD error = m_library->CeGetLastError();
    return error == 0 ? ce::kErrorGenFailure : static_cast<DeviceError>(error);
}

DeviceError RapiDllDevice::registryResult(long result) const
{
    if (result == ERROR_SUCCESS)
        return ce::kErrorSuccess;
    return FAILED(m_library->CeRapiGetError()) ? ce::kErrorGenFailure : static_cast<DeviceError>(result);
}

DeviceHandle RapiDllDevice::add(void* handle, bool key)
{
    do
        ++m_lastHandle;
    while (m_lastHandle == kNoDeviceHandle || m_handles.count(m_lastHandle) > 0);
    m_handles[m_lastHandle] = Native{handle, key};
    return m_lastHandle;
}

const RapiDllDevice::Native* RapiDllDevice::native(DeviceHandle handle, bool key) const
{
    auto found = m_handles.find(handle);
    return found != m_handles.end() && found->second.key == key ? &found->second : nullptr;
}

DeviceError RapiDllDevice::findFile(const std::u16string& path)
{
    if (!m_up)
        return ce::kErrorNotConnected;
    rapi::CE_FIND_DATA found{};
    HANDLE search = m_library->CeFindFirstFile(wide(path).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return failure();
    (void)m_library->CeFindClose(search);
    return ce::kErrorSuccess;
}

DeviceError RapiDllDevice::fileAttributes(const std::u16string& path, std::uint32_t& attributes)
{
    attributes = ce::kInvalidAttributes;
    if (!m_up)
        return ce::kErrorNotConnected;
    const DWORD found = m_library->CeGetFileAttributes(wide(path).c_str());
    if (found == INVALID_FILE_ATTRIBUTES)
        return failure();
    attributes = found;
    return ce::kErrorSuccess;
}

DeviceError RapiDllDevice::createFile(const std::u16string& path, DeviceOpen mode, DeviceHandle& file)
{
    file = kNoDeviceHandle;
    if (!m_up)
        return ce::kErrorNotConnected;
    const bool writing = mode == DeviceOpen::WriteReplace;
    HANDLE handle = m_library->CeCreateFile(wide(path).c_str(), writing ? GENERIC_WRITE : GENERIC_READ,
                                            FILE_SHARE_READ, nullptr, writing ? CREATE_ALWAYS : OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return failure();
    file = add(handle, false);
    return ce::kErrorSuccess;
}

DeviceError RapiDllDevice::readFile(DeviceHandle file, void* buffer, std::uint32_t size, std::uint32_t& got)
{
    got = 0;
    if (!m_up)
        return ce::kErrorNotConnected;
    const Native* open = native(file, false);
    if (open == nullptr || (size > 0 && buffer == nullptr))
        return ce::kErrorInvalidHandle;
    DWORD read = 0;
    if (!m_library->CeReadFile(open->handle, buffer, size, &read, nullptr))
        return failure();
    got = std::min<DWORD>(read, size);
    return ce::kErrorSuccess;
}

DeviceError RapiDllDevice::writeFile(DeviceHandle file, const void* data, std::uint32_t size, std::uint32_t& written)
{
    written = 0;
    if (!m_up)
        return ce::kErrorNotConnected;
    const Native* open = native(file, false);
    if (open == nullptr || (size > 0 && data == nullptr))
        return ce::kErrorInvalidHandle;
    DWORD wrote = 0;
    if (!m_library->CeWriteFile(open->handle, data, size, &wrote, nullptr))
        return failure();
    written = std::min<DWORD>(wrote, size);
    return ce::kErrorSuccess;
}

DeviceError RapiDllDevice::closeHandle(DeviceHandle file)
{
    const Native* open = native(file, false);
    if (open == nullptr)
        return ce::kErrorInvalidHandle;
    void* handle = open->handle;
    m_handles.erase(file);
    if (!m_up)
        return ce::kErrorNotConnected;
    return m_library->CeCloseHandle(handle) ? ce::kErrorSuccess : failure();
}

DeviceError RapiDllDevice::deleteFile(const std::u16string& path)
{
    if (!m_up)
        return ce::kErrorNotConnected;
    return m_library->CeDeleteFile(wide(path).c_str()) ? ce::kErrorSuccess : failure();
}

DeviceError RapiDllDevice::moveFile(const std::u16string& from, const std::u16string& to)
{
    if (!m_up)
        return ce::kErrorNotConnected;
    return m_library->CeMoveFile(wide(from).c_str(), wide(to).c_str()) ? ce::kErrorSuccess : failure();
}

DeviceError RapiDllDevice::createDirectory(const std::u16string& path)
{
    if (!m_up)
        return ce::kErrorNotConnected;
    return m_library->CeCreateDirectory(wide(path).c_str(), nullptr) ? ce::kErrorSuccess : failure();
}

DeviceError RapiDllDevice::regCreateKey(const std::u16string& path, DeviceHandle& key)
{
    key = kNoDeviceHandle;
    if (!m_up)
        return ce::kErrorNotConnected;
    HKEY opened = nullptr;
    DWORD disposition = 0;
    // No class, no options, no access rights, no security: the device
    // takes none of them.
    const DeviceError result = registryResult(m_library->CeRegCreateKeyEx(
        HKEY_CURRENT_USER, wide(path).c_str(), 0, nullptr, 0, 0, nullptr, &opened, &disposition));
    if (result == ce::kErrorSuccess)
        key = add(opened, true);
    return result;
}

DeviceError RapiDllDevice::regOpenKey(const std::u16string& path, DeviceHandle& key)
{
    key = kNoDeviceHandle;
    if (!m_up)
        return ce::kErrorNotConnected;
    HKEY opened = nullptr;
    const DeviceError result =
        registryResult(m_library->CeRegOpenKeyEx(HKEY_CURRENT_USER, wide(path).c_str(), 0, 0, &opened));
    if (result == ce::kErrorSuccess)
        key = add(opened, true);
    return result;
}

DeviceError RapiDllDevice::regSetStringValue(DeviceHandle key, const std::u16string& name, const std::uint8_t* data,
                                             std::uint32_t size)
{
    if (!m_up)
        return ce::kErrorNotConnected;
    const Native* open = native(key, true);
    if (open == nullptr)
        return ce::kErrorInvalidHandle;
    auto handle = static_cast<HKEY>(open->handle);
    if (size > 0 && data == nullptr)
        return ce::kErrorInvalidParameter;
    return registryResult(
        m_library->CeRegSetValueEx(handle, wide(name).c_str(), 0, REG_SZ, data, size));
}

DeviceError RapiDllDevice::regQueryString(DeviceHandle key, const std::u16string& name, std::u16string& value)
{
    value.clear();
    if (!m_up)
        return ce::kErrorNotConnected;
    const Native* open = native(key, true);
    if (open == nullptr)
        return ce::kErrorInvalidHandle;
    auto handle = static_cast<HKEY>(open->handle);
    std::vector<BYTE> data(2048);
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(data.size());
    LONG result = m_library->CeRegQueryValueEx(handle, wide(name).c_str(), nullptr, &type,
                                               data.data(), &size);
    if (result == ERROR_MORE_DATA && size > data.size() && size <= kMaxValueBytes) {
        data.resize(size);
        result = m_library->CeRegQueryValueEx(handle, wide(name).c_str(), nullptr, &type,
                                              data.data(), &size);
    }
    const DeviceError error = registryResult(result);
    if (error == ce::kErrorSuccess)
        value = Utf16Le::decode(std::span(data.data(), std::min<std::size_t>(size, data.size())));
    return error;
}

DeviceError RapiDllDevice::regCloseKey(DeviceHandle key)
{
    const Native* open = native(key, true);
    if (open == nullptr)
        return ce::kErrorInvalidHandle;
    auto handle = static_cast<HKEY>(open->handle);
    m_handles.erase(key);
    if (!m_up)
        return ce::kErrorNotConnected;
    return registryResult(m_library->CeRegCloseKey(handle));
}

} // namespace tarvo
