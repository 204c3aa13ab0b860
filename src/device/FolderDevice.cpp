#include "device/FolderDevice.h"

#include "support/AtomicFile.h"
#include "text/CodePage.h"
#include "text/IniFile.h"

#include <cstdlib>
#include <system_error>
#include <thread>
#include <vector>

namespace tarvo {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kSection = "Simulator";

// Characters the device does not allow in a file name.
bool validComponent(std::string_view name)
{
    if (name == "." || name == "..")
        return false;
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20)
            return false;
        if (std::string_view("<>:\"|?*").find(c) != std::string_view::npos)
            return false;
    }
    return true;
}

std::vector<std::string> splitDevicePath(std::string_view path)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find_first_of("\\/", start);
        if (end == std::string_view::npos)
            end = path.size();
        if (end > start)
            parts.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::string lastComponent(const std::u16string& devicePath)
{
    std::vector<std::string> parts = splitDevicePath(CodePage::utf16ToUtf8(devicePath));
    return parts.empty() ? std::string() : parts.back();
}

} // namespace

// The answer to one session start: it comes after the configured delay (or
// never), and the session is up only if it is still the current one.
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

FolderDevice::DeviceFile::DeviceFile() = default;
FolderDevice::DeviceFile::DeviceFile(DeviceFile&&) noexcept = default;
FolderDevice::DeviceFile::~DeviceFile() = default;

FolderDevice::FolderDevice(const std::string& folder)
{
    if (!folder.empty()) {
        std::error_code ec;
        m_folder = fs::absolute(folder, ec);
        m_hasFolder = !ec;
        m_registry = RegistryFile((m_folder / "registry.reg").string());
    }
}

FolderDevice::~FolderDevice() = default;

FolderDevice::Knobs FolderDevice::readKnobs() const
{
    Knobs knobs;
    IniFile ini((m_folder / "simulator.ini").string());
    knobs.startDelayMs = ini.readInt(kSection, "StartDelayMs", "0");
    knobs.startStatus = ini.readInt(kSection, "StartStatus", "0");
    knobs.refuseSession = ini.readBool(kSection, "RefuseSession", false);
    knobs.writeLimitBytes = ini.readInt(kSection, "WriteLimitBytes", "-1");
    knobs.writeLimitFile = ini.readString(kSection, "WriteLimitFile", "");
    knobs.readLimitBytes = ini.readInt(kSection, "ReadLimitBytes", "-1");
    knobs.failCreateFile = ini.readString(kSection, "FailCreateFile", "");
    knobs.failRegistryKey = ini.readString(kSection, "FailRegistryKey", "");
    knobs.failValueWrites = ini.readBool(kSection, "FailValueWrites", false);
    knobs.failValueName = ini.readString(kSection, "FailValueName", "");
    return knobs;
}

std::unique_ptr<DeviceSessionStart> FolderDevice::startSession()
{
    std::error_code ec;
    bool present = m_hasFolder && fs::is_directory(m_folder, ec);
    m_knobs = present ? readKnobs() : Knobs{};
    if (m_knobs.refuseSession)
        return nullptr;
    ++m_sessionDepth;
    return std::make_unique<Start>(*this, m_generation, present, m_knobs.startDelayMs, m_knobs.startStatus);
}

void FolderDevice::comeUp(std::uint64_t generation)
{
    if (generation != m_generation || m_sessionDepth == 0 || m_connected)
        return;
    m_connected = true;
    if (!m_swept) {
        removeLeftovers();
        m_swept = true;
    }
    // Whatever the file holds now is the device's registry; an unreadable
    // file reads as an empty registry rather than blocking the session.
    (void)m_registry.load();
}

void FolderDevice::removeLeftovers() const
{
    // A desktop program killed while it wrote to the handheld left the
    // temporary file of that write beside its target (a file, or the
    // registry); the targets themselves are whole.
    std::error_code ec;
    (void)AtomicFile::removeLeftovers((m_folder / "registry.reg").string());
    const fs::path root = m_folder / "fs";
    if (!fs::is_directory(root, ec))
        return;
    (void)AtomicFile::removeLeftoversIn(root.string());
    for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (it->is_directory(typeError) && !it->is_symlink(typeError))
            (void)AtomicFile::removeLeftoversIn(it->path().string());
    }
}

void FolderDevice::endSession()
{
    if (m_sessionDepth == 0)
        return;
    if (--m_sessionDepth > 0)
        return;
    m_connected = false;
    ++m_generation;
    // Files left open by a session that went away never reach the device;
    // registry changes already made do, as on a device.
    m_files.clear();
    m_keys.clear();
    (void)flushRegistry();
}

DeviceHandle FolderDevice::nextHandle()
{
    ++m_lastHandle;
    if (m_lastHandle == kNoDeviceHandle)
        ++m_lastHandle;
    return m_lastHandle;
}

std::optional<fs::path> FolderDevice::resolve(const std::u16string& devicePath) const
{
    if (!m_connected || devicePath.find(u'\0') != std::u16string::npos)
        return std::nullopt;
    std::vector<std::string> parts = splitDevicePath(CodePage::utf16ToUtf8(devicePath));
    if (parts.empty())
        return std::nullopt;
    fs::path path = m_folder / "fs";
    for (const std::string& part : parts) {
        if (!validComponent(part))
            return std::nullopt;
        std::error_code ec;
        fs::path exact = path / part;
        if (fs::exists(fs::symlink_status(exact, ec))) {
            path = std::move(exact);
            continue;
        }
        // Names on the device match ignoring case.
        fs::path match = exact;
        for (fs::directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec)) {
            if (RegistryFile::sameName(it->path().filename().string(), part)) {
                match = it->path();
                break;
            }
        }
        path = std::move(match);
    }
    return path;
}

bool FolderDevice::findFile(const std::u16string& path)
{
    std::optional<fs::path> local = resolve(path);
    std::error_code ec;
    return local && fs::exists(*local, ec);
}

DeviceHandle FolderDevice::createFile(const std::u16string& path, DeviceOpen mode)
{
    std::optional<fs::path> local = resolve(path);
    if (!local)
        return kNoDeviceHandle;
    std::error_code ec;
    DeviceFile file;
    file.name = lastComponent(path);
    if (mode == DeviceOpen::ReadExisting) {
        if (!fs::is_regular_file(*local, ec))
            return kNoDeviceHandle;
        file.reader = openFile(local->string(), "rb");
        if (!file.reader)
            return kNoDeviceHandle;
    } else {
        if (!m_knobs.failCreateFile.empty() && RegistryFile::sameName(file.name, m_knobs.failCreateFile))
            return kNoDeviceHandle;
        // The device does not create missing folders for a new file.
        if (!fs::is_directory(local->parent_path(), ec) || fs::is_directory(*local, ec))
            return kNoDeviceHandle;
        file.writer = std::make_unique<AtomicFile>(local->string());
        if (!file.writer->open())
            return kNoDeviceHandle;
    }
    DeviceHandle handle = nextHandle();
    m_files.emplace(handle, std::move(file));
    return handle;
}

bool FolderDevice::readFile(DeviceHandle handle, void* buffer, std::uint32_t size, std::uint32_t& got)
{
    got = 0;
    auto it = m_files.find(handle);
    if (!m_connected || it == m_files.end() || !it->second.reader || (size > 0 && buffer == nullptr))
        return false;
    DeviceFile& file = it->second;
    std::size_t n = std::fread(buffer, 1, size, file.reader.get());
    if (n < size && std::ferror(file.reader.get()) != 0)
        return false;
    // A file longer than the limit fails to read part-way.
    if (m_knobs.readLimitBytes >= 0 && file.count + n > static_cast<std::uint64_t>(m_knobs.readLimitBytes))
        return false;
    file.count += n;
    got = static_cast<std::uint32_t>(n);
    return true;
}

bool FolderDevice::writeFile(DeviceHandle handle, const void* data, std::uint32_t size, std::uint32_t& written)
{
    written = 0;
    auto it = m_files.find(handle);
    if (!m_connected || it == m_files.end() || !it->second.writer || (size > 0 && data == nullptr))
        return false;
    DeviceFile& file = it->second;
    if (file.failed)
        return false;
    bool limited = m_knobs.writeLimitBytes >= 0 &&
                   (m_knobs.writeLimitFile.empty() || RegistryFile::sameName(file.name, m_knobs.writeLimitFile));
    if (limited && file.count + size > static_cast<std::uint64_t>(m_knobs.writeLimitBytes)) {
        file.failed = true;
        return false;
    }
    if (!file.writer->write(std::string_view(static_cast<const char*>(data), size))) {
        file.failed = true;
        return false;
    }
    file.count += size;
    written = size;
    return true;
}

bool FolderDevice::closeHandle(DeviceHandle handle)
{
    auto it = m_files.find(handle);
    if (it == m_files.end())
        return false;
    DeviceFile file = std::move(it->second);
    m_files.erase(it);
    if (!file.writer)
        return true;
    // A file whose writes failed keeps its previous content.
    return !file.failed && file.writer->commit();
}

void FolderDevice::abandonFile(DeviceHandle handle)
{
    m_files.erase(handle);
}

bool FolderDevice::deleteFile(const std::u16string& path)
{
    std::optional<fs::path> local = resolve(path);
    std::error_code ec;
    return local && fs::is_regular_file(*local, ec) && fs::remove(*local, ec);
}

std::int32_t FolderDevice::regCreateKey(const std::u16string& path, DeviceHandle& key)
{
    key = kNoDeviceHandle;
    if (!m_connected)
        return kErrorNotConnected;
    std::string keyPath = CodePage::utf16ToUtf8(path);
    if (!m_knobs.failRegistryKey.empty() && RegistryFile::sameName(keyPath, m_knobs.failRegistryKey))
        return kErrorAccessDenied;
    std::string full = std::string(kRegistryRoot) + "\\" + keyPath;
    bool created = false;
    if (path.find(u'\0') != std::u16string::npos || !m_registry.createKey(full, &created))
        return kErrorInvalidParameter;
    m_registryDirty = m_registryDirty || created;
    key = nextHandle();
    m_keys.emplace(key, std::move(full));
    return 0;
}

std::int32_t FolderDevice::regSetStringValue(DeviceHandle key, const std::u16string& name, const std::uint8_t* data,
                                             std::uint32_t size)
{
    if (!m_connected)
        return kErrorNotConnected;
    auto it = m_keys.find(key);
    if (it == m_keys.end())
        return kErrorInvalidHandle;
    if (size > 0 && data == nullptr)
        return kErrorInvalidParameter;
    std::string valueName = CodePage::utf16ToUtf8(name);
    if (m_knobs.failValueWrites ||
        (!m_knobs.failValueName.empty() && RegistryFile::sameName(valueName, m_knobs.failValueName)))
        return kErrorAccessDenied;
    // The stored text ends at the terminating NUL (an odd last byte is no
    // character and is dropped).
    std::u16string text;
    for (std::uint32_t i = 0; i + 1 < size; i += 2) {
        auto unit = static_cast<char16_t>(data[i] | data[i + 1] << 8);
        if (unit == 0)
            break;
        text.push_back(unit);
    }
    if (name.find(u'\0') != std::u16string::npos ||
        !m_registry.setString(it->second, valueName, CodePage::utf16ToUtf8(text)))
        return kErrorInvalidParameter;
    m_registryDirty = true;
    return 0;
}

std::int32_t FolderDevice::regCloseKey(DeviceHandle key)
{
    if (m_keys.erase(key) == 0)
        return kErrorInvalidHandle;
    // The registry file is rewritten when a key is closed rather than per
    // value: one atomic replace per key keeps a synchronization fast, and a
    // failed save is still reported to the caller that closes the key.
    return flushRegistry() ? 0 : kErrorWriteFault;
}

bool FolderDevice::flushRegistry()
{
    if (!m_registryDirty)
        return true;
    if (!m_registry.save())
        return false;
    m_registryDirty = false;
    return true;
}

} // namespace tarvo
