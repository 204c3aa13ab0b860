#pragma once

#include "support/FileHandle.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo::ceemu {

// The emulated handheld's file system: the folder `fs/` of its root stands
// for "\" on the device. Names match ignoring case, as on the device. Files
// are written in place, as a device does: a write that stops part-way
// leaves a part-written file, which is what the desktop has to guard
// against. Results are the platform's error codes (0 = success).
class CeFileStore final {
public:
    struct Found {
        std::uint32_t attributes = 0;
        std::uint64_t size = 0;
        std::u16string name;
    };

    explicit CeFileStore(std::filesystem::path root);
    CeFileStore(const CeFileStore&) = delete;
    CeFileStore& operator=(const CeFileStore&) = delete;

    // Creating a file for writing whose name begins with this one (any
    // folder, any case; so a desktop's temporary names for it too) fails
    // with "access denied".
    void failCreateOf(std::string name) { m_failCreate = std::move(name); }

    std::int32_t find(std::u16string_view path, Found& found, std::uint32_t& handle);
    std::int32_t findClose(std::uint32_t handle);
    std::int32_t attributes(std::u16string_view path, std::uint32_t& attributes) const;
    std::int32_t open(std::u16string_view path, std::uint32_t access, std::uint32_t disposition,
                      std::uint32_t& handle);
    std::int32_t read(std::uint32_t handle, std::uint32_t size, std::vector<std::uint8_t>& data);
    std::int32_t write(std::uint32_t handle, std::span<const std::uint8_t> data);
    std::int32_t close(std::uint32_t handle);
    std::int32_t move(std::u16string_view from, std::u16string_view to);
    std::int32_t remove(std::u16string_view path);
    // Closes whatever the desktop left open (what a device does when its
    // connection goes).
    void closeAll();

private:
    struct OpenFile {
        FilePtr file;
        bool writable = false;
    };

    // The host path of a device path: existing components in their stored
    // spelling, a missing last one as given. False for a name the device
    // does not allow.
    bool resolve(std::u16string_view path, std::filesystem::path& out) const;
    std::uint32_t nextHandle();

    std::filesystem::path m_root;
    std::string m_failCreate;
    std::map<std::uint32_t, OpenFile> m_files;
    std::set<std::uint32_t> m_finds;
    std::uint32_t m_lastHandle = 0x40;
};

} // namespace tarvo::ceemu
