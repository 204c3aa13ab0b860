#include "device/DeviceLink.h"

#include "device/DeviceSession.h"
#include "support/AtomicFile.h"
#include "support/FileHandle.h"
#include "support/FrontEnd.h"
#include "text/CodePage.h"

#include <algorithm>
#include <sys/stat.h>
#include <utility>

namespace tarvo {

namespace {

// Closes a device file when the copy leaves by any path; a copy that did not
// finish drops what it wrote.
class DeviceFileGuard final {
public:
    DeviceFileGuard(DeviceTransport& transport, DeviceHandle file) : m_transport(transport), m_file(file) {}
    DeviceFileGuard(const DeviceFileGuard&) = delete;
    DeviceFileGuard& operator=(const DeviceFileGuard&) = delete;
    ~DeviceFileGuard()
    {
        if (m_file != kNoDeviceHandle)
            m_transport.abandonFile(m_file);
    }

    DeviceHandle get() const { return m_file; }
    // Closes the file normally; false when the device could not complete it.
    bool close()
    {
        DeviceHandle file = std::exchange(m_file, kNoDeviceHandle);
        return m_transport.closeHandle(file);
    }

private:
    DeviceTransport& m_transport;
    DeviceHandle m_file;
};

} // namespace

DeviceLink::DeviceLink(DeviceTransport& transport, FrontEnd& frontEnd)
    : m_transport(transport), m_frontEnd(frontEnd), m_clock([] { return std::chrono::steady_clock::now(); })
{
}

bool DeviceLink::convertPath(std::string_view devicePath, std::u16string& converted)
{
    converted.clear();
    if (devicePath.find('\0') != std::string_view::npos)
        return false;
    std::u16string text = CodePage::ansi().toUtf16(devicePath);
    if (text.size() + 1 > kMaxPathUnits)
        return false;
    converted = std::move(text);
    return true;
}

SyncResult DeviceLink::connect()
{
    std::unique_ptr<DeviceSessionStart> start = m_transport.startSession();
    if (!start)
        return SyncResult::NoConnection;
    const auto begin = m_clock();
    auto left = m_timeout;
    for (;;) {
        DeviceWait result = start->wait(std::min(left, kWaitSlice));
        if (result == DeviceWait::Signalled) {
            std::int32_t status = start->status();
            if (status >= 0)
                return SyncResult::Done;
            break;
        }
        if (result == DeviceWait::Failed)
            break;
        // The window keeps repainting and reacting while the device is awaited.
        m_frontEnd.pumpEvents();
        left = m_timeout - std::chrono::duration_cast<std::chrono::milliseconds>(m_clock() - begin);
        if (left <= left.zero())
            break;
    }
    m_transport.endSession();
    return SyncResult::NoConnection;
}

void DeviceLink::disconnect()
{
    m_transport.endSession();
}

SyncResult DeviceLink::readFile(std::string_view devicePath, const std::string& localPath)
{
    std::u16string path;
    // A path the device cannot hold names no file on it.
    if (!convertPath(devicePath, path))
        return SyncResult::DeviceFileMissing;
    if (connect() == SyncResult::NoConnection)
        return SyncResult::NoConnection;
    DeviceSession session(*this);
    if (!m_transport.findFile(path))
        return SyncResult::DeviceFileMissing;
    DeviceHandle file = m_transport.createFile(path, DeviceOpen::ReadExisting);
    if (file == kNoDeviceHandle)
        return SyncResult::DeviceFileUnavailable;
    SyncResult result = copyFromDevice(file, localPath);
    m_transport.closeHandle(file);
    return result;
}

SyncResult DeviceLink::copyFromDevice(DeviceHandle file, const std::string& localPath)
{
    // The local file is replaced only by a complete copy.
    AtomicFile local(localPath);
    if (!local.open())
        return SyncResult::LocalUnwritable;
    for (;;) {
        std::uint32_t got = 0;
        if (!m_transport.readFile(file, m_buffer.data(), static_cast<std::uint32_t>(m_buffer.size()), got))
            return SyncResult::DeviceFileUnavailable;
        if (got == 0)
            break;
        if (!local.write(std::string_view(m_buffer.data(), std::min<std::size_t>(got, m_buffer.size()))))
            return SyncResult::LocalUnwritable;
    }
    return local.commit() ? SyncResult::Done : SyncResult::LocalUnwritable;
}

SyncResult DeviceLink::writeFile(const std::string& localPath, std::string_view devicePath)
{
    struct stat info {};
    if (::stat(localPath.c_str(), &info) != 0)
        return SyncResult::LocalMissing;
    if (S_ISDIR(info.st_mode))
        return SyncResult::LocalUnreadable;
    FilePtr local = openFile(localPath, "rb");
    if (!local)
        return SyncResult::LocalUnreadable;
    std::u16string path;
    if (!convertPath(devicePath, path))
        return SyncResult::DeviceFileUnavailable;
    DeviceFileGuard device(m_transport, m_transport.createFile(path, DeviceOpen::WriteReplace));
    if (device.get() == kNoDeviceHandle)
        return SyncResult::DeviceFileUnavailable;
    for (;;) {
        std::size_t got = std::fread(m_buffer.data(), 1, m_buffer.size(), local.get());
        if (got > 0) {
            std::uint32_t written = 0;
            auto size = static_cast<std::uint32_t>(got);
            if (!m_transport.writeFile(device.get(), m_buffer.data(), size, written) || written != size)
                return SyncResult::DeviceFileUnavailable;
        }
        if (got < m_buffer.size()) {
            if (std::ferror(local.get()) != 0)
                return SyncResult::LocalUnreadable;
            break;
        }
    }
    return device.close() ? SyncResult::Done : SyncResult::DeviceFileUnavailable;
}

bool DeviceLink::deviceFileHasData(std::string_view devicePath)
{
    std::u16string path;
    if (!convertPath(devicePath, path) || !m_transport.findFile(path))
        return false;
    DeviceHandle file = m_transport.createFile(path, DeviceOpen::ReadExisting);
    if (file == kNoDeviceHandle)
        return true;
    std::uint32_t got = 0;
    bool read = m_transport.readFile(file, m_buffer.data(), 1, got);
    m_transport.closeHandle(file);
    return !read || got > 0;
}

SyncResult DeviceLink::deleteFile(std::string_view devicePath)
{
    std::u16string path;
    if (convertPath(devicePath, path))
        (void)m_transport.deleteFile(path);
    return SyncResult::Done;
}

} // namespace tarvo
