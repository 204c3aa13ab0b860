#include "device/DeviceLink.h"

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

// Ends the session that readFile opened, on every path.
class SessionGuard final {
public:
    explicit SessionGuard(DeviceLink& link) : m_link(link) {}
    SessionGuard(const SessionGuard&) = delete;
    SessionGuard& operator=(const SessionGuard&) = delete;
    ~SessionGuard() { m_link.disconnect(); }

private:
    DeviceLink& m_link;
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

int DeviceLink::connect()
{
    std::unique_ptr<DeviceSessionStart> start = m_transport.startSession();
    if (!start)
        return kEFail;
    const auto begin = m_clock();
    auto left = m_timeout;
    for (;;) {
        DeviceWait result = start->wait(std::min(left, kWaitSlice));
        if (result == DeviceWait::Signalled) {
            std::int32_t status = start->status();
            if (status >= 0)
                return status;
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
    return kEFail;
}

void DeviceLink::disconnect()
{
    m_transport.endSession();
}

int DeviceLink::readFile(std::string_view devicePath, const std::string& localPath)
{
    std::u16string path;
    // A path the device cannot hold names no file on it.
    if (!convertPath(devicePath, path))
        return SyncResult::kDeviceFileMissing;
    if (connect() == kEFail)
        return kEFail;
    SessionGuard session(*this);
    if (!m_transport.findFile(path))
        return SyncResult::kDeviceFileMissing;
    DeviceHandle file = m_transport.createFile(path, DeviceOpen::ReadExisting);
    if (file == kNoDeviceHandle)
        return SyncResult::kDeviceFileUnavailable;
    int result = copyFromDevice(file, localPath);
    m_transport.closeHandle(file);
    return result;
}

int DeviceLink::copyFromDevice(DeviceHandle file, const std::string& localPath)
{
    // The local file is replaced only by a complete copy.
    AtomicFile local(localPath);
    if (!local.open())
        return SyncResult::kLocalUnwritable;
    for (;;) {
        std::uint32_t got = 0;
        if (!m_transport.readFile(file, m_buffer.data(), static_cast<std::uint32_t>(m_buffer.size()), got))
            return SyncResult::kDeviceFileUnavailable;
        if (got == 0)
            break;
        if (!local.write(std::string_view(m_buffer.data(), std::min<std::size_t>(got, m_buffer.size()))))
            return SyncResult::kLocalUnwritable;
    }
    return local.commit() ? SyncResult::kDone : SyncResult::kLocalUnwritable;
}

int DeviceLink::writeFile(const std::string& localPath, std::string_view devicePath)
{
    struct stat info {};
    if (::stat(localPath.c_str(), &info) != 0)
        return SyncResult::kLocalMissing;
    if (S_ISDIR(info.st_mode))
        return SyncResult::kLocalUnreadable;
    FilePtr local = OpenFile(localPath, "rb");
    if (!local)
        return SyncResult::kLocalUnreadable;
    std::u16string path;
    if (!convertPath(devicePath, path))
        return SyncResult::kDeviceFileUnavailable;
    DeviceFileGuard device(m_transport, m_transport.createFile(path, DeviceOpen::WriteReplace));
    if (device.get() == kNoDeviceHandle)
        return SyncResult::kDeviceFileUnavailable;
    for (;;) {
        std::size_t got = std::fread(m_buffer.data(), 1, m_buffer.size(), local.get());
        if (got > 0) {
            std::uint32_t written = 0;
            auto size = static_cast<std::uint32_t>(got);
            if (!m_transport.writeFile(device.get(), m_buffer.data(), size, written) || written != size)
                return SyncResult::kDeviceFileUnavailable;
        }
        if (got < m_buffer.size()) {
            if (std::ferror(local.get()) != 0)
                return SyncResult::kLocalUnreadable;
            break;
        }
    }
    return device.close() ? SyncResult::kDone : SyncResult::kDeviceFileUnavailable;
}

int DeviceLink::deleteFile(std::string_view devicePath)
{
    std::u16string path;
    if (convertPath(devicePath, path))
        (void)m_transport.deleteFile(path);
    return SyncResult::kDone;
}

} // namespace tarvo
