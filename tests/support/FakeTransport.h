#pragma once

#include "device/DeviceTransport.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace tarvo::test {

// An in-memory handheld whose every remote operation can be made to fail,
// and which records what was asked of it. Its session start runs on a clock
// of its own (`now`), advanced by each wait, so tests of the bounded wait do
// not sleep. Written files reach `files` only when closed after successful
// writes; an abandoned or failed one leaves the previous content.
class FakeTransport final : public DeviceTransport {
public:
    struct ValueWrite {
        std::u16string key;
        std::u16string name;
        std::vector<std::uint8_t> data;
    };

    // Session start.
    bool refuseStart = false;
    int answerAfterWaits = 0; // the start is signalled on wait number N + 1; negative: never
    bool waitFails = false;
    std::int32_t startStatus = 0;
    // How far `now` moves per timed-out wait; zero: by the timeout asked for.
    std::chrono::milliseconds waitCost{0};

    // Files: device path -> content.
    std::map<std::u16string, std::string> files;
    std::set<std::u16string> unopenable; // opening for reading fails
    std::set<std::u16string> uncreatable;
    long readFailsAfter = -1;  // a read taking a file past this many bytes fails
    long writeFailsAfter = -1; // a write taking a file past this many bytes fails
    bool shortWrites = false;  // writes report one byte fewer than asked
    bool closeFails = false;

    // Registry.
    std::set<std::u16string> failingKeys;
    bool failValues = false;
    bool failKeyClose = false; // closing a key reports that its values were not kept

    // What happened.
    std::chrono::steady_clock::time_point now{};
    std::vector<std::chrono::milliseconds> waits;
    int starts = 0;
    int ends = 0;
    int depth = 0;
    bool connected = false;
    std::vector<std::u16string> created;  // createFile paths, both modes
    std::vector<std::u16string> deleted;  // deleteFile paths
    std::vector<std::uint32_t> readSizes; // sizes asked of readFile
    int abandoned = 0;
    std::vector<std::u16string> keysCreated;
    std::vector<ValueWrite> values;
    int keysClosed = 0;

    std::function<std::chrono::steady_clock::time_point()> clock()
    {
        return [this] { return now; };
    }
    std::size_t openHandles() const { return m_open.size() + m_keys.size(); }

    std::unique_ptr<DeviceSessionStart> startSession() override
    {
        if (refuseStart)
            return nullptr;
        ++starts;
        ++depth;
        return std::make_unique<Start>(*this);
    }
    void endSession() override
    {
        ++ends;
        if (depth > 0 && --depth == 0)
            connected = false;
    }

    bool findFile(const std::u16string& path) override { return connected && files.count(path) > 0; }

    DeviceHandle createFile(const std::u16string& path, DeviceOpen mode) override
    {
        created.push_back(path);
        if (!connected)
            return kNoDeviceHandle;
        if (mode == DeviceOpen::ReadExisting && (files.count(path) == 0 || unopenable.count(path) > 0))
            return kNoDeviceHandle;
        if (mode == DeviceOpen::WriteReplace && uncreatable.count(path) > 0)
            return kNoDeviceHandle;
        DeviceHandle handle = ++m_lastHandle;
        m_open[handle] = Open{path, mode, mode == DeviceOpen::ReadExisting ? files[path] : std::string(), 0, false};
        return handle;
    }

    bool readFile(DeviceHandle file, void* buffer, std::uint32_t size, std::uint32_t& got) override
    {
        got = 0;
        readSizes.push_back(size);
        auto it = m_open.find(file);
        if (it == m_open.end() || it->second.mode != DeviceOpen::ReadExisting)
            return false;
        Open& open = it->second;
        std::size_t n = std::min<std::size_t>(size, open.data.size() - open.pos);
        if (readFailsAfter >= 0 && open.pos + n > static_cast<std::size_t>(readFailsAfter))
            return false;
        std::memcpy(buffer, open.data.data() + open.pos, n);
        open.pos += n;
        got = static_cast<std::uint32_t>(n);
        return true;
    }

    bool writeFile(DeviceHandle file, const void* data, std::uint32_t size, std::uint32_t& written) override
    {
        written = 0;
        auto it = m_open.find(file);
        if (it == m_open.end() || it->second.mode != DeviceOpen::WriteReplace)
            return false;
        Open& open = it->second;
        if (writeFailsAfter >= 0 && open.data.size() + size > static_cast<std::size_t>(writeFailsAfter)) {
            open.failed = true;
            return false;
        }
        std::uint32_t n = shortWrites && size > 0 ? size - 1 : size;
        open.data.append(static_cast<const char*>(data), n);
        written = n;
        return true;
    }

    bool closeHandle(DeviceHandle handle) override
    {
        auto it = m_open.find(handle);
        if (it == m_open.end())
            return false;
        Open open = it->second;
        m_open.erase(it);
        if (open.mode == DeviceOpen::ReadExisting)
            return true;
        if (open.failed || closeFails)
            return false;
        files[open.path] = open.data;
        return true;
    }

    void abandonFile(DeviceHandle file) override
    {
        ++abandoned;
        m_open.erase(file);
    }

    bool deleteFile(const std::u16string& path) override
    {
        deleted.push_back(path);
        return connected && files.erase(path) > 0;
    }

    std::int32_t regCreateKey(const std::u16string& path, DeviceHandle& key) override
    {
        key = kNoDeviceHandle;
        if (!connected)
            return 1167;
        if (failingKeys.count(path) > 0)
            return 5;
        keysCreated.push_back(path);
        key = ++m_lastHandle;
        m_keys[key] = path;
        return 0;
    }

    std::int32_t regSetStringValue(DeviceHandle key, const std::u16string& name, const std::uint8_t* data,
                                   std::uint32_t size) override
    {
        auto it = m_keys.find(key);
        if (it == m_keys.end())
            return 6;
        if (failValues)
            return 5;
        values.push_back(ValueWrite{it->second, name, std::vector<std::uint8_t>(data, data + size)});
        return 0;
    }

    std::int32_t regCloseKey(DeviceHandle key) override
    {
        ++keysClosed;
        if (m_keys.erase(key) == 0)
            return 6;
        return failKeyClose ? 29 : 0;
    }

private:
    struct Open {
        std::u16string path;
        DeviceOpen mode;
        std::string data;
        std::size_t pos;
        bool failed;
    };

    class Start final : public DeviceSessionStart {
    public:
        explicit Start(FakeTransport& transport) : m_t(transport) {}
        DeviceWait wait(std::chrono::milliseconds timeout) override
        {
            m_t.waits.push_back(timeout);
            if (m_t.waitFails)
                return DeviceWait::Failed;
            if (m_t.answerAfterWaits >= 0 && static_cast<int>(m_t.waits.size()) > m_t.answerAfterWaits) {
                if (m_t.startStatus >= 0)
                    m_t.connected = true;
                return DeviceWait::Signalled;
            }
            m_t.now += m_t.waitCost.count() > 0 ? m_t.waitCost : timeout;
            return DeviceWait::TimedOut;
        }
        std::int32_t status() const override { return m_t.startStatus; }

    private:
        FakeTransport& m_t;
    };

    DeviceHandle m_lastHandle = kNoDeviceHandle;
    std::map<DeviceHandle, Open> m_open;
    std::map<DeviceHandle, std::u16string> m_keys;
};

} // namespace tarvo::test
