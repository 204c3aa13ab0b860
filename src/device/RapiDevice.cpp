#include "device/RapiDevice.h"

#include "ceproto/CeWin32.h"
#include "ceproto/Utf16Le.h"
#include "device/HubClient.h"
#include "device/RapiClient.h"
#include "device/RapiConnector.h"

namespace tarvo {

// One session start: the connector's answer, which brings the session up
// only if it is still the one asked for. A start inside a session that is
// up already is up at once.
class RapiDevice::Start final : public DeviceSessionStart {
public:
    Start() : m_status(0) {}
    Start(RapiDevice& device, std::uint64_t generation, std::unique_ptr<RapiConnectAttempt> attempt)
        : m_device(&device), m_generation(generation), m_attempt(std::move(attempt))
    {
    }

    DeviceWait wait(std::chrono::milliseconds timeout) override
    {
        if (!m_attempt)
            return DeviceWait::Signalled;
        DeviceWait result = m_attempt->wait(timeout);
        if (result != DeviceWait::Signalled)
            return result;
        RapiOffer offer = m_attempt->take();
        m_attempt.reset();
        if (offer.connection) {
            m_status = 0;
            m_device->comeUp(m_generation, std::move(offer));
        } else {
            m_refusal = offer.refusal == SessionRefusal::None ? SessionRefusal::NoDevice : offer.refusal;
        }
        return DeviceWait::Signalled;
    }

    std::int32_t status() const override { return m_status; }
    SessionRefusal refusal() const override { return m_status >= 0 ? SessionRefusal::None : m_refusal; }

private:
    RapiDevice* m_device = nullptr;
    std::uint64_t m_generation = 0;
    std::unique_ptr<RapiConnectAttempt> m_attempt;
    std::int32_t m_status = kEFail;
    SessionRefusal m_refusal = SessionRefusal::NoDevice;
};

RapiDevice::RapiDevice(std::string hubSocket) : RapiDevice(std::make_unique<HubClient>(std::move(hubSocket))) {}

RapiDevice::RapiDevice(std::unique_ptr<RapiConnector> connector) : m_connector(std::move(connector)) {}

RapiDevice::~RapiDevice()
{
    while (m_sessionDepth > 0)
        endSession();
}

RapiLayout RapiDevice::layout() const
{
    return m_client ? m_client->layout() : RapiLayout::V2;
}

std::unique_ptr<DeviceSessionStart> RapiDevice::startSession()
{
    ++m_sessionDepth;
    if (m_client)
        return std::make_unique<Start>();
    return std::make_unique<Start>(*this, m_generation, m_connector->connect(m_deviceName, m_password));
}

void RapiDevice::comeUp(std::uint64_t generation, RapiOffer offer)
{
    if (generation != m_generation || m_sessionDepth == 0 || m_client)
        return;
    m_client = std::make_unique<RapiClient>(std::move(offer.connection), rapiLayoutFor(offer.osMajor, offer.osMinor),
                                            m_answerTimeout);
    m_connectedName = std::move(offer.name);
}

void RapiDevice::endSession()
{
    if (m_sessionDepth == 0 || --m_sessionDepth > 0)
        return;
    ++m_generation;
    // What the desktop left open goes with the session: files are closed
    // (writes not yet sent are dropped), keys closed so the handheld keeps
    // what was set in them.
    for (DeviceHandle handle : m_handles.handles()) {
        RapiHandleTable::Entry* key = m_handles.find(handle, true);
        if (key != nullptr) {
            (void)regCloseKey(handle);
        } else if (std::optional<RapiHandleTable::Entry> file = m_handles.take(handle); file && m_client) {
            (void)m_client->drain();
            (void)m_client->closeHandle(file->remote);
        }
    }
    if (m_client)
        (void)m_client->drain();
    m_client.reset();
}

DeviceError RapiDevice::findFile(const std::u16string& path)
{
    return m_client ? m_client->findFirstFile(path) : ce::kErrorNotConnected;
}

DeviceError RapiDevice::fileAttributes(const std::u16string& path, std::uint32_t& attributes)
{
    attributes = ce::kInvalidAttributes;
    return m_client ? m_client->getFileAttributes(path, attributes) : ce::kErrorNotConnected;
}

DeviceError RapiDevice::createFile(const std::u16string& path, DeviceOpen mode, DeviceHandle& file)
{
    file = kNoDeviceHandle;
    if (!m_client)
        return ce::kErrorNotConnected;
    RapiHandleTable::Entry entry;
    entry.writing = mode == DeviceOpen::WriteReplace;
    DeviceError error =
        entry.writing ? m_client->createFile(path, ce::kGenericWrite, ce::kCreateAlways, entry.remote)
                      : m_client->createFile(path, ce::kGenericRead, ce::kOpenExisting, entry.remote);
    if (error == ce::kErrorSuccess)
        file = m_handles.add(std::move(entry));
    return error;
}

DeviceError RapiDevice::readFile(DeviceHandle handle, void* buffer, std::uint32_t size, std::uint32_t& got)
{
    got = 0;
    RapiHandleTable::Entry* file = m_handles.find(handle, false);
    if (!m_client)
        return ce::kErrorNotConnected;
    if (file == nullptr || file->writing || (size > 0 && buffer == nullptr))
        return ce::kErrorInvalidHandle;
    if (size > 0 && file->buffer.needsFill()) {
        // Read ahead: one round trip brings many of the caller's blocks.
        std::vector<std::uint8_t> block;
        DeviceError error = m_client->readFile(file->remote, static_cast<std::uint32_t>(kReadBlock), block);
        if (error != ce::kErrorSuccess)
            return error;
        file->buffer.fill(std::move(block));
    }
    got = static_cast<std::uint32_t>(file->buffer.take(buffer, size));
    return ce::kErrorSuccess;
}

void RapiDevice::sendWrites(DeviceHandle handle, RapiHandleTable::Entry& file)
{
    std::vector<std::uint8_t> block = file.buffer.takeAll();
    if (block.empty() || file.failed != 0)
        return;
    bool sent = m_client->postWrite(file.remote, block, [this, handle](DeviceError error) {
        RapiHandleTable::Entry* written = m_handles.find(handle, false);
        if (written != nullptr && written->failed == 0 && error != ce::kErrorSuccess)
            written->failed = error;
    });
    if (!sent)
        file.failed = ce::kErrorGenFailure;
}

DeviceError RapiDevice::writeFile(DeviceHandle handle, const void* data, std::uint32_t size, std::uint32_t& written)
{
    written = 0;
    RapiHandleTable::Entry* file = m_handles.find(handle, false);
    if (!m_client)
        return ce::kErrorNotConnected;
    if (file == nullptr || !file->writing || (size > 0 && data == nullptr))
        return ce::kErrorInvalidHandle;
    if (file->failed != 0)
        return file->failed;
    if (file->buffer.add(std::span(static_cast<const std::uint8_t*>(data), size), kWriteBlock))
        sendWrites(handle, *file);
    // The answers of earlier blocks may have come back refused meanwhile.
    if (file->failed != 0)
        return file->failed;
    written = size;
    return ce::kErrorSuccess;
}

DeviceError RapiDevice::closeHandle(DeviceHandle handle)
{
    RapiHandleTable::Entry* file = m_handles.find(handle, false);
    if (file == nullptr)
        return ce::kErrorInvalidHandle;
    if (file->writing && m_client) {
        sendWrites(handle, *file);
        // Every answer due is read while the entry can still take it.
        if (!m_client->drain() && file->failed == 0)
            file->failed = ce::kErrorGenFailure;
    }
    RapiHandleTable::Entry closing = std::move(*m_handles.take(handle));
    if (!m_client)
        return ce::kErrorNotConnected;
    // A file whose writes were refused is closed all the same: the caller
    // can then delete it, which a device refuses for an open file.
    DeviceError closed = m_client->closeHandle(closing.remote);
    return closing.failed != 0 ? closing.failed : closed;
}

DeviceError RapiDevice::deleteFile(const std::u16string& path)
{
    return m_client ? m_client->deleteFile(path) : ce::kErrorNotConnected;
}

DeviceError RapiDevice::moveFile(const std::u16string& from, const std::u16string& to)
{
    return m_client ? m_client->moveFile(from, to) : ce::kErrorNotConnected;
}

DeviceError RapiDevice::createDirectory(const std::u16string& path)
{
    return m_client ? m_client->createDirectory(path) : ce::kErrorNotConnected;
}

DeviceError RapiDevice::regCreateKey(const std::u16string& path, DeviceHandle& key)
{
    return keyCall(path, true, key);
}

DeviceError RapiDevice::regOpenKey(const std::u16string& path, DeviceHandle& key)
{
    return keyCall(path, false, key);
}

DeviceError RapiDevice::keyCall(const std::u16string& path, bool create, DeviceHandle& key)
{
    key = kNoDeviceHandle;
    if (!m_client)
        return ce::kErrorNotConnected;
    RapiHandleTable::Entry entry;
    entry.isKey = true;
    DeviceError error = create ? m_client->regCreateKey(path, entry.remote) : m_client->regOpenKey(path, entry.remote);
    if (error == ce::kErrorSuccess)
        key = m_handles.add(std::move(entry));
    return error;
}

DeviceError RapiDevice::regSetStringValue(DeviceHandle key, const std::u16string& name, const std::uint8_t* data,
                                          std::uint32_t size)
{
    RapiHandleTable::Entry* open = m_handles.find(key, true);
    if (!m_client)
        return ce::kErrorNotConnected;
    if (open == nullptr || (size > 0 && data == nullptr))
        return ce::kErrorInvalidHandle;
    return m_client->regSetValue(open->remote, name, ce::kRegSz, std::span(data, size));
}

DeviceError RapiDevice::regQueryString(DeviceHandle key, const std::u16string& name, std::u16string& value)
{
    value.clear();
    RapiHandleTable::Entry* open = m_handles.find(key, true);
    if (!m_client)
        return ce::kErrorNotConnected;
    if (open == nullptr)
        return ce::kErrorInvalidHandle;
    constexpr std::uint32_t kRoom = 4096;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    DeviceError error = m_client->regQueryValue(open->remote, name, kRoom, type, data);
    if (error != ce::kErrorSuccess)
        return error;
    if (type != ce::kRegSz)
        return ce::kErrorInvalidParameter;
    value = Utf16Le::decode(data);
    return ce::kErrorSuccess;
}

DeviceError RapiDevice::regCloseKey(DeviceHandle key)
{
    RapiHandleTable::Entry* open = m_handles.find(key, true);
    if (open == nullptr)
        return ce::kErrorInvalidHandle;
    std::uint32_t remote = open->remote;
    (void)m_handles.take(key);
    return m_client ? m_client->regCloseKey(remote) : ce::kErrorNotConnected;
}

} // namespace tarvo
