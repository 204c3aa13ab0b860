#pragma once

#include "device/DeviceTransport.h"
#include "device/FolderFileStore.h"
#include "device/FolderRegistryStore.h"
#include "device/HandheldKnobs.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <set>
#include <string>

namespace tarvo {

// A handheld simulated by a folder (see README.md beside this file):
// `fs/` is the device's file system root, `registry.reg` its registry
// (HKEY_CURRENT_USER), `simulator.ini` [Simulator] the knobs that make it
// slow or fail. An empty folder name, or a folder that does not exist when a
// session starts, is a handheld that never answers.
//
// Its files and registry behave as a device's (FolderFileStore,
// FolderRegistryStore, shared with the emulated handheld): written in
// place, renamed only onto free names, and registry changes saved as keys
// are closed.
class FolderDevice final : public DeviceTransport {
public:
    explicit FolderDevice(const std::string& folder);
    FolderDevice(const FolderDevice&) = delete;
    FolderDevice& operator=(const FolderDevice&) = delete;
    ~FolderDevice() override;

    const std::filesystem::path& folder() const { return m_folder; }
    // Between a start and its matching end (whether or not it came up).
    bool sessionActive() const { return m_sessionDepth > 0; }
    // A session has come up and has not ended.
    bool connected() const { return m_connected; }
    std::size_t openHandles() const { return m_store.openCount() + m_registry.openKeys(); }

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

    void comeUp(std::uint64_t generation);
    // The link goes: everything open is closed, every call fails.
    void goAway();
    // How many of `bytes` more of file data move before the link drops.
    std::uint64_t bytesBeforeDrop(std::uint64_t bytes) const;

    std::filesystem::path m_folder;
    bool m_hasFolder = false;
    HandheldKnobs m_knobs;
    int m_sessionDepth = 0;
    bool m_connected = false;
    std::uint64_t m_moved = 0; // bytes of file data this session
    std::uint64_t m_generation = 0;
    FolderFileStore m_store;
    FolderRegistryStore m_registry;
    std::set<DeviceHandle> m_failed; // files whose writes failed
};

} // namespace tarvo
