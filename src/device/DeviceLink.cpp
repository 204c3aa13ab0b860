#include "device/DeviceLink.h"

#include "ceproto/CeWin32.h"
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

// A device file being written as NAME.partial: a copy that leaves by any
// way but `close` closes it and then deletes it (a device refuses to delete
// an open file), so nothing half-written is left behind.
class PartialFile final {
public:
    PartialFile(DeviceTransport& transport, std::u16string path) : m_transport(transport), m_path(std::move(path)) {}
    PartialFile(const PartialFile&) = delete;
    PartialFile& operator=(const PartialFile&) = delete;
    ~PartialFile()
    {
        if (m_file != kNoDeviceHandle)
            (void)m_transport.closeHandle(m_file);
        if (m_created && !m_kept)
            (void)m_transport.deleteFile(m_path);
    }

    bool create()
    {
        m_created = m_transport.createFile(m_path, DeviceOpen::WriteReplace, m_file) == 0;
        return m_created;
    }
    DeviceHandle get() const { return m_file; }
    const std::u16string& path() const { return m_path; }
    // Closes it; false when the device did not take all that was written.
    bool close() { return m_transport.closeHandle(std::exchange(m_file, kNoDeviceHandle)) == 0; }
    // It has become the target: nothing is left to remove.
    void keep() { m_kept = true; }

private:
    DeviceTransport& m_transport;
    std::u16string m_path;
    DeviceHandle m_file = kNoDeviceHandle;
    bool m_created = false;
    bool m_kept = false;
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

bool DeviceLink::isMissing(DeviceError error)
{
    return error == ce::kErrorFileNotFound || error == ce::kErrorPathNotFound || error == ce::kErrorNoMoreFiles;
}

SyncResult DeviceLink::connect()
{
    std::unique_ptr<DeviceSessionStart> start = m_transport.startSession();
    const auto begin = m_clock();
    auto left = m_timeout;
    // A start that never came up: no handheld answered in time.
    m_refusal = SessionRefusal::NoDevice;
    for (;;) {
        DeviceWait result = start->wait(std::min(left, kWaitSlice));
        if (result == DeviceWait::Signalled) {
            if (start->status() >= 0) {
                m_refusal = SessionRefusal::None;
                // The repair waits for the first file the session touches:
                // a session that only proves the handheld answers, or
                // writes its registry, need not wait for it.
                if (m_sessions++ == 0)
                    m_repairDue = true;
                return SyncResult::Done;
            }
            m_refusal = start->refusal();
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
    if (m_sessions > 0 && --m_sessions == 0)
        m_repairDue = false;
    m_transport.endSession();
}

void DeviceLink::repairGuarded()
{
    if (!std::exchange(m_repairDue, false))
        return;
    for (const std::string& devicePath : m_guarded) {
        std::u16string target;
        if (!convertPath(devicePath, target) || !isMissing(m_transport.findFile(target)))
            continue;
        const std::u16string previous = target + std::u16string(kPreviousSuffix);
        if (m_transport.findFile(previous) == 0)
            (void)m_transport.moveFile(previous, target);
    }
}

SyncResult DeviceLink::readFile(std::string_view devicePath, const std::string& localPath, std::uint64_t maxBytes)
{
    std::u16string path;
    // A path the device cannot hold names no file on it.
    if (!convertPath(devicePath, path))
        return SyncResult::DeviceFileMissing;
    if (connect() == SyncResult::NoConnection)
        return SyncResult::NoConnection;
    DeviceSession session(*this);
    repairGuarded();
    const DeviceError found = m_transport.findFile(path);
    if (isMissing(found))
        return SyncResult::DeviceFileMissing;
    DeviceHandle file = kNoDeviceHandle;
    if (found != 0 || m_transport.createFile(path, DeviceOpen::ReadExisting, file) != 0)
        return SyncResult::DeviceFileUnavailable;
    SyncResult result = copyFromDevice(file, localPath, maxBytes);
    (void)m_transport.closeHandle(file);
    return result;
}

SyncResult DeviceLink::copyFromDevice(DeviceHandle file, const std::string& localPath, std::uint64_t maxBytes)
{
    const auto begin = m_clock();
    std::uint64_t total = 0;
    // The local file is replaced only by a complete copy.
    AtomicFile local(localPath);
    if (!local.open())
        return SyncResult::LocalUnwritable;
    for (;;) {
        std::uint32_t got = 0;
        if (m_transport.readFile(file, m_buffer.data(), static_cast<std::uint32_t>(m_buffer.size()), got) != 0)
            return SyncResult::DeviceFileUnavailable;
        if (got == 0)
            break;
        total += std::min<std::size_t>(got, m_buffer.size());
        // Larger than any file the caller can take, or too slow to wait for.
        if (total > maxBytes || m_clock() - begin > m_readDeadline)
            return SyncResult::DeviceFileUnavailable;
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
    std::u16string target;
    if (!convertPath(devicePath, target))
        return SyncResult::DeviceFileUnavailable;
    repairGuarded();
    PartialFile partial(m_transport, target + std::u16string(kPartialSuffix));
    if (!partial.create())
        return SyncResult::DeviceFileUnavailable;
    for (;;) {
        std::size_t got = std::fread(m_buffer.data(), 1, m_buffer.size(), local.get());
        if (got > 0) {
            std::uint32_t written = 0;
            auto size = static_cast<std::uint32_t>(got);
            if (m_transport.writeFile(partial.get(), m_buffer.data(), size, written) != 0 || written != size)
                return SyncResult::DeviceFileUnavailable;
        }
        if (got < m_buffer.size()) {
            if (std::ferror(local.get()) != 0)
                return SyncResult::LocalUnreadable;
            break;
        }
    }
    if (!partial.close() || !replace(target, partial.path()))
        return SyncResult::DeviceFileUnavailable;
    partial.keep();
    return SyncResult::Done;
}

bool DeviceLink::replace(const std::u16string& target, const std::u16string& partial)
{
    const std::u16string previous = target + std::u16string(kPreviousSuffix);
    const DeviceError found = m_transport.findFile(target);
    if (found != 0 && !isMissing(found))
        return false;
    const bool kept = found == 0;
    if (kept) {
        // A leftover of a replacement that ended after its target was back.
        (void)m_transport.deleteFile(previous);
        if (m_transport.moveFile(target, previous) != 0)
            return false;
    }
    if (m_transport.moveFile(partial, target) != 0) {
        if (kept)
            (void)m_transport.moveFile(previous, target);
        return false;
    }
    if (kept)
        (void)m_transport.deleteFile(previous);
    return true;
}

bool DeviceLink::deviceFileHasData(std::string_view devicePath)
{
    std::u16string path;
    if (!convertPath(devicePath, path))
        return false;
    repairGuarded();
    const DeviceError found = m_transport.findFile(path);
    if (isMissing(found))
        return false;
    DeviceHandle file = kNoDeviceHandle;
    if (found != 0 || m_transport.createFile(path, DeviceOpen::ReadExisting, file) != 0)
        return true;
    std::uint32_t got = 0;
    bool read = m_transport.readFile(file, m_buffer.data(), 1, got) == 0;
    (void)m_transport.closeHandle(file);
    return !read || got > 0;
}

SyncResult DeviceLink::deleteFile(std::string_view devicePath)
{
    std::u16string path;
    if (convertPath(devicePath, path)) {
        repairGuarded();
        (void)m_transport.deleteFile(path);
    }
    return SyncResult::Done;
}

} // namespace tarvo
