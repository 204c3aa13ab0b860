#pragma once

#include "device/DeviceTransport.h"
#include "support/FileHandle.h"
#include "text/RegistryFile.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace tarvo {

class AtomicFile;

// A handheld simulated by a folder (see README.md beside this file):
// `fs/` is the device's file system root, `registry.reg` its registry
// (HKEY_CURRENT_USER), `simulator.ini` [Simulator] the knobs that make it
// slow or fail. An empty folder name, or a folder that does not exist when a
// session starts, is a handheld that never answers.
//
// Files written to the device reach it whole or not at all: the data goes to
// a temporary file beside the target, renamed over it on close when every
// write succeeded. Registry changes are saved to `registry.reg` (atomically)
// as they are made. The first session that comes up removes the temporary
// files a killed writer left; a temporary file whose writer still lives
// (another program syncing the same handheld from another working folder)
// is its writer's lock's, and stays.
class FolderDevice final : public DeviceTransport {
public:
    // Error codes of the simulated registry (the platform's values).
    static constexpr std::int32_t kErrorAccessDenied = 5;
    static constexpr std::int32_t kErrorInvalidHandle = 6;
    static constexpr std::int32_t kErrorWriteFault = 29;
    static constexpr std::int32_t kErrorInvalidParameter = 87;
    static constexpr std::int32_t kErrorNotConnected = 1167;

    static constexpr std::string_view kRegistryRoot = "HKEY_CURRENT_USER";

    explicit FolderDevice(const std::string& folder);
    FolderDevice(const FolderDevice&) = delete;
    FolderDevice& operator=(const FolderDevice&) = delete;
    ~FolderDevice() override;

    const std::filesystem::path& folder() const { return m_folder; }
    // Between a start and its matching end (whether or not it came up).
    bool sessionActive() const { return m_sessionDepth > 0; }
    // A session has come up and has not ended.
    bool connected() const { return m_connected; }
    std::size_t openHandles() const { return m_files.size() + m_keys.size(); }

    std::unique_ptr<DeviceSessionStart> startSession() override;
    void endSession() override;

    bool findFile(const std::u16string& path) override;
    DeviceHandle createFile(const std::u16string& path, DeviceOpen mode) override;
    bool readFile(DeviceHandle file, void* buffer, std::uint32_t size, std::uint32_t& got) override;
    bool writeFile(DeviceHandle file, const void* data, std::uint32_t size, std::uint32_t& written) override;
    bool closeHandle(DeviceHandle handle) override;
    void abandonFile(DeviceHandle file) override;
    bool deleteFile(const std::u16string& path) override;

    std::int32_t regCreateKey(const std::u16string& path, DeviceHandle& key) override;
    std::int32_t regSetStringValue(DeviceHandle key, const std::u16string& name, const std::uint8_t* data,
                                   std::uint32_t size) override;
    std::int32_t regCloseKey(DeviceHandle key) override;

private:
    class Start;
    bool flushRegistry();

    struct Knobs {
        int startDelayMs = 0; // negative: never answers
        int startStatus = 0;
        bool refuseSession = false;
        int writeLimitBytes = -1; // negative: no limit
        std::string writeLimitFile;
        int readLimitBytes = -1;
        std::string failCreateFile;
        std::string failRegistryKey;
        bool failValueWrites = false;
        std::string failValueName;
    };

    struct DeviceFile {
        DeviceFile();
        DeviceFile(DeviceFile&&) noexcept;
        ~DeviceFile();
        FilePtr reader;
        std::unique_ptr<AtomicFile> writer;
        std::string name; // the file's name on the device, for the knobs
        std::uint64_t count = 0;
        bool failed = false;
    };

    Knobs readKnobs() const;
    void comeUp(std::uint64_t generation);
    void removeLeftovers() const;
    std::optional<std::filesystem::path> resolve(const std::u16string& devicePath) const;
    DeviceHandle nextHandle();

    std::filesystem::path m_folder;
    bool m_hasFolder = false;
    Knobs m_knobs;
    int m_sessionDepth = 0;
    bool m_connected = false;
    std::uint64_t m_generation = 0;
    DeviceHandle m_lastHandle = kNoDeviceHandle;
    std::map<DeviceHandle, DeviceFile> m_files;
    std::map<DeviceHandle, std::string> m_keys; // full registry paths
    RegistryFile m_registry;
    bool m_registryDirty = false; // changes not yet in registry.reg
    bool m_swept = false;         // leftovers of killed writers removed at the first session
};

} // namespace tarvo
