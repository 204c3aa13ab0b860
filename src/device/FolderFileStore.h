#pragma once

#include "ceproto/CeFindData.h"
#include "device/DeviceTransport.h"
#include "support/FileHandle.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <span>
#include <string>
#include <string_view>

namespace tarvo {

// A handheld's file system kept in a folder, as the simulated handheld
// (FolderDevice) and the emulated one (tarvo-ceemu) both keep it: the
// folder stands for "\" of the device, names match ignoring case, and a
// name with ".", "..", a control character or one of < > : " | ? * names
// nothing, so nothing outside the folder is ever touched.
//
// It behaves as a device does, which is what the desktop has to guard
// against: files are written in place, so a write that stops part-way leaves
// a part-written file; a rename refuses an existing target; and a file that
// is open here cannot be deleted or renamed, nor opened again for writing
// (its sharing rule). Results are the device's error codes (0 = success).
class FolderFileStore final {
public:
    // What a handle refers to, for the knobs and faults of its owner.
    struct OpenFile {
        FilePtr file;
        std::filesystem::path path;
        std::string name; // the last component, as it is stored
        bool writable = false;
        std::uint64_t moved = 0; // bytes read or written through this handle
    };

    explicit FolderFileStore(std::filesystem::path root);
    FolderFileStore(const FolderFileStore&) = delete;
    FolderFileStore& operator=(const FolderFileStore&) = delete;
    ~FolderFileStore();

    const std::filesystem::path& root() const { return m_root; }

    // Opens a search for one name; `handle` is to be closed with `close`.
    DeviceError find(std::u16string_view path, CeFindData& found, std::uint32_t& handle);
    DeviceError attributes(std::u16string_view path, std::uint32_t& attributes) const;
    // `access` GENERIC_READ and/or GENERIC_WRITE; `disposition`
    // OPEN_EXISTING or CREATE_ALWAYS (a missing folder is not created).
    DeviceError open(std::u16string_view path, std::uint32_t access, std::uint32_t disposition,
                     std::uint32_t& handle);
    DeviceError read(std::uint32_t handle, void* buffer, std::uint32_t size, std::uint32_t& got);
    DeviceError write(std::uint32_t handle, std::span<const std::uint8_t> data);
    // Closes a file or a search.
    DeviceError close(std::uint32_t handle);
    DeviceError move(std::u16string_view from, std::u16string_view to);
    DeviceError remove(std::u16string_view path);
    DeviceError createDirectory(std::u16string_view path);
    // Closes everything (what a device does when its connection goes).
    void closeAll();

    // The last component of a device path, as UTF-8.
    static std::string lastName(std::u16string_view path);
    // True when `name` begins with `start` (ignoring case) and `start` is
    // not empty: how the faults of a simulated handheld name a file, which
    // takes in the names a desktop gives it while it writes it.
    static bool beginsWith(std::string_view name, std::string_view start);

    std::size_t openCount() const { return m_files.size() + m_finds.size(); }
    // The open file behind `handle`; nullptr for none.
    const OpenFile* file(std::uint32_t handle) const;

private:
    // The host path of a device path: existing components in their stored
    // spelling, a missing one as given. False for a name the device does
    // not allow.
    bool resolve(std::u16string_view path, std::filesystem::path& out) const;
    // The host path and attributes of a file or folder that exists; the
    // device's error when there is none.
    DeviceError locate(std::u16string_view path, std::filesystem::path& local, std::uint32_t& attributes) const;
    bool isOpen(const std::filesystem::path& path) const;
    std::uint32_t nextHandle();

    std::filesystem::path m_root;
    std::map<std::uint32_t, OpenFile> m_files;
    std::set<std::uint32_t> m_finds;
    std::uint32_t m_lastHandle = 0x40;
};

} // namespace tarvo
