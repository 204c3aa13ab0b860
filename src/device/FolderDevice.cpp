#include "device/FolderDevice.h"

#include "ceproto/CeWin32.h"
#include "ceproto/Utf16Le.h"
#include "text/CodePage.h"

#include <algorithm>
#include <system_error>
#include <thread>

namespace tarvo {

namespace fs = std::filesystem;

namespace {

fs::path absoluteFolder(const std::string& folder)
{
    std::error_code ec;
    fs::path path = folder.empty() ? fs::path() : fs::absolute(folder, ec);
    return ec ? fs::path() : path;
}

} // namespace

// The answer to one session start: it comes after the configured delay (or
// never), and the session is up only if it is still the current one. A
// refused start is signalled at once.
class FolderDevice::Start final : public DeviceSessionStart {
public:
    Start(FolderDevice& device, std::uint64_t generation, bool answers, int delayMs, std::int32_t status)
        : m_device(device),
          m_generation(generation),
          m_answers(answers && delayMs >= 0),
          m_readyAt(std::chrono::steady_clock::now() + std::chrono::milliseconds(delayMs < 0 ? 0 : delayMs)),
          m_status(status)
    {
    }

    DeviceWait wait(std::chrono::milliseconds timeout) override
    {
        if (m_signalled)
            return DeviceWait::Signalled;
        if (!m_answers) {
            std::this_thread::sleep_for(timeout);
            return DeviceWait::TimedOut;
        }
        auto left = m_readyAt - std::chrono::steady_clock::now();
        if (left > timeout) {
            std::this_thread::sleep_for(timeout);
            return DeviceWait::TimedOut;
        }
        if (left > left.zero())
            std::this_thread::sleep_for(left);
        m_signalled = true;
        if (m_status >= 0)
            m_device.comeUp(m_generation);
        return DeviceWait::Signalled;
    }

    std::int32_t status() const override { return m_status; }

private:
    FolderDevice& m_device;
    std::uint64_t m_generation;
    bool m_answers;
    std::chrono::steady_clock::time_point m_readyAt;
    std::int32_t m_status;
    bool m_signalled = false;
};

FolderDevice::FolderDevice(const std::string& folder)
    : m_folder(absoluteFolder(folder)),
      m_hasFolder(!m_folder.empty()),
      m_store(m_folder / "fs"),
      m_registry((m_folder / "registry.reg").string())
{
}

FolderDevice::~FolderDevice() = default;

std::unique_ptr<DeviceSessionStart> FolderDevice::startSession()
{
    std::error_code ec;
    bool present = m_hasFolder && fs::is_directory(m_folder, ec);
    m_knobs = present ? HandheldKnobs::read(m_folder) : HandheldKnobs{};
    ++m_sessionDepth;
    if (m_knobs.refuseSession)
        return std::make_unique<Start>(*this, m_generation, true, 0, kEFail);
    return std::make_unique<Start>(*this, m_generation, present, m_knobs.startDelayMs, m_knobs.startStatus);
}

void FolderDevice::comeUp(std::uint64_t generation)
{
    if (generation != m_generation || m_sessionDepth == 0 || m_connected)
        return;
    m_connected = true;
    m_moved = 0;
    m_registry.failKey(m_knobs.failRegistryKey);
    m_registry.failValue(m_knobs.failValueName);
    // Whatever the file holds now is the device's registry.
    m_registry.load();
}

void FolderDevice::endSession()
{
    if (m_sessionDepth == 0)
        return;
    if (--m_sessionDepth > 0)
        return;
    ++m_generation;
    goAway();
}

void FolderDevice::goAway()
{
    m_connected = false;
    // What the desktop left open goes with the session, as on a device;
    // registry changes already made stay.
    m_store.closeAll();
    m_registry.closeAll();
    m_failed.clear();
    (void)m_registry.flush();
}

std::uint64_t FolderDevice::bytesBeforeDrop(std::uint64_t bytes) const
{
    if (m_knobs.dropAfterBytes < 0)
        return bytes;
    const auto limit = static_cast<std::uint64_t>(m_knobs.dropAfterBytes);
    return m_moved >= limit ? 0 : std::min(bytes, limit - m_moved);
}

DeviceError FolderDevice::findFile(const std::u16string& path)
{
    if (!m_connected)
        return ce::kErrorNotConnected;
    CeFindData found;
    std::uint32_t search = 0;
    DeviceError error = m_store.find(path, found, search);
    if (error == ce::kErrorSuccess)
        (void)m_store.close(search);
    return error;
}

DeviceError FolderDevice::fileAttributes(const std::u16string& path, std::uint32_t& attributes)
{
    attributes = ce::kInvalidAttributes;
    return m_connected ? m_store.attributes(path, attributes) : ce::kErrorNotConnected;
}

DeviceError FolderDevice::createFile(const std::u16string& path, DeviceOpen mode, DeviceHandle& file)
{
    file = kNoDeviceHandle;
    if (!m_connected)
        return ce::kErrorNotConnected;
    const bool writing = mode == DeviceOpen::WriteReplace;
    // A knob that names a file names the link's temporary names for it too.
    if (writing && FolderFileStore::beginsWith(FolderFileStore::lastName(path), m_knobs.failCreateFile))
        return ce::kErrorAccessDenied;
    std::uint32_t handle = 0;
    DeviceError error = m_store.open(path, writing ? ce::kGenericWrite : ce::kGenericRead,
                                     writing ? ce::kCreateAlways : ce::kOpenExisting, handle);
    if (error == ce::kErrorSuccess)
        file = handle;
    return error;
}

DeviceError FolderDevice::readFile(DeviceHandle file, void* buffer, std::uint32_t size, std::uint32_t& got)
{
    got = 0;
    const FolderFileStore::OpenFile* open = m_store.file(file);
    if (!m_connected || open == nullptr || open->writable)
        return ce::kErrorInvalidHandle;
    DeviceError error = m_store.read(file, buffer, size, got);
    // A file longer than the limit fails to read part-way.
    if (error == ce::kErrorSuccess && m_knobs.readLimitBytes >= 0 &&
        open->moved > static_cast<std::uint64_t>(m_knobs.readLimitBytes)) {
        got = 0;
        return ce::kErrorGenFailure;
    }
    if (error == ce::kErrorSuccess && bytesBeforeDrop(got) < got) {
        got = 0;
        goAway();
        return ce::kErrorGenFailure;
    }
    m_moved += got;
    return error;
}

DeviceError FolderDevice::writeFile(DeviceHandle file, const void* data, std::uint32_t size, std::uint32_t& written)
{
    written = 0;
    const FolderFileStore::OpenFile* open = m_store.file(file);
    if (!m_connected || open == nullptr || (size > 0 && data == nullptr))
        return ce::kErrorInvalidHandle;
    if (const std::uint64_t taken = bytesBeforeDrop(size); taken < size) {
        // What reached the device before the link went stays in the file.
        (void)m_store.write(file, std::span(static_cast<const std::uint8_t*>(data), taken));
        goAway();
        return ce::kErrorGenFailure;
    }
    const bool limited = m_knobs.writeLimitBytes >= 0 &&
                         (m_knobs.writeLimitFile.empty() || FolderFileStore::beginsWith(open->name, m_knobs.writeLimitFile));
    DeviceError error = ce::kErrorDiskFull;
    if (m_failed.count(file) == 0 &&
        (!limited || open->moved + size <= static_cast<std::uint64_t>(m_knobs.writeLimitBytes)))
        error = m_store.write(file, std::span(static_cast<const std::uint8_t*>(data), size));
    if (error != ce::kErrorSuccess) {
        m_failed.insert(file);
        return error;
    }
    m_moved += size;
    written = size;
    return error;
}

DeviceError FolderDevice::closeHandle(DeviceHandle file)
{
    DeviceError error = m_store.close(file);
    if (m_failed.erase(file) > 0 && error == ce::kErrorSuccess)
        error = ce::kErrorDiskFull;
    return error;
}

DeviceError FolderDevice::deleteFile(const std::u16string& path)
{
    return m_connected ? m_store.remove(path) : ce::kErrorNotConnected;
}

DeviceError FolderDevice::moveFile(const std::u16string& from, const std::u16string& to)
{
    return m_connected ? m_store.move(from, to) : ce::kErrorNotConnected;
}

DeviceError FolderDevice::createDirectory(const std::u16string& path)
{
    return m_connected ? m_store.createDirectory(path) : ce::kErrorNotConnected;
}

DeviceError FolderDevice::regCreateKey(const std::u16string& path, DeviceHandle& key)
{
    key = kNoDeviceHandle;
    if (!m_connected)
        return ce::kErrorNotConnected;
    bool created = false;
    std::uint32_t handle = 0;
    DeviceError error = m_registry.create(ce::kHkeyCurrentUser, path, handle, created);
    if (error == ce::kErrorSuccess)
        key = handle;
    return error;
}

DeviceError FolderDevice::regOpenKey(const std::u16string& path, DeviceHandle& key)
{
    key = kNoDeviceHandle;
    if (!m_connected)
        return ce::kErrorNotConnected;
    std::uint32_t handle = 0;
    DeviceError error = m_registry.open(ce::kHkeyCurrentUser, path, handle);
    if (error == ce::kErrorSuccess)
        key = handle;
    return error;
}

DeviceError FolderDevice::regSetStringValue(DeviceHandle key, const std::u16string& name, const std::uint8_t* data,
                                            std::uint32_t size)
{
    if (!m_connected)
        return ce::kErrorNotConnected;
    if (size > 0 && data == nullptr)
        return ce::kErrorInvalidParameter;
    if (m_knobs.failValueWrites)
        return ce::kErrorAccessDenied;
    return m_registry.set(key, name, ce::kRegSz, std::span(data, size));
}

DeviceError FolderDevice::regQueryString(DeviceHandle key, const std::u16string& name, std::u16string& value)
{
    value.clear();
    if (!m_connected)
        return ce::kErrorNotConnected;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    DeviceError error = m_registry.query(key, name, type, data);
    if (error == ce::kErrorSuccess)
        value = Utf16Le::decode(data);
    return error;
}

DeviceError FolderDevice::regCloseKey(DeviceHandle key)
{
    return m_registry.close(key);
}

} // namespace tarvo
