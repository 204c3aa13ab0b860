#include "device/FolderFileStore.h"

#include "ceproto/CeWin32.h"
#include "text/CodePage.h"
#include "text/RegistryFile.h"

#include <system_error>

namespace tarvo {

namespace fs = std::filesystem;

namespace {

bool allowedName(std::string_view name)
{
    if (name.empty() || name == "." || name == "..")
        return false;
    for (char c : name)
        if (static_cast<unsigned char>(c) < 0x20 || std::string_view("<>:\"|?*").find(c) != std::string_view::npos)
            return false;
    return true;
}

// The error a device gives for a name that is not there: the folder is
// there and the file is not, or the folder is not.
DeviceError missing(const fs::path& path)
{
    std::error_code ec;
    return fs::is_directory(path.parent_path(), ec) ? ce::kErrorFileNotFound : ce::kErrorPathNotFound;
}

} // namespace

FolderFileStore::FolderFileStore(fs::path root) : m_root(std::move(root)) {}

FolderFileStore::~FolderFileStore() = default;

std::uint32_t FolderFileStore::nextHandle()
{
    do {
        m_lastHandle += 4;
        if (m_lastHandle == 0 || m_lastHandle == ce::kInvalidHandle)
            m_lastHandle = 0x40;
    } while (m_files.count(m_lastHandle) != 0 || m_finds.count(m_lastHandle) != 0);
    return m_lastHandle;
}

bool FolderFileStore::resolve(std::u16string_view path, fs::path& out) const
{
    if (path.find(u'\0') != std::u16string_view::npos)
        return false;
    const std::string text = CodePage::utf16ToUtf8(path);
    out = m_root;
    std::size_t start = 0;
    bool any = false;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of("\\/", start);
        if (end == std::string::npos)
            end = text.size();
        if (end > start) {
            const std::string part = text.substr(start, end - start);
            if (!allowedName(part))
                return false;
            any = true;
            std::error_code ec;
            fs::path exact = out / part;
            if (!fs::exists(fs::symlink_status(exact, ec))) {
                // Names on the device match ignoring case.
                for (fs::directory_iterator it(out, ec), stop; !ec && it != stop; it.increment(ec)) {
                    if (RegistryFile::sameName(it->path().filename().string(), part)) {
                        exact = it->path();
                        break;
                    }
                }
            }
            out = std::move(exact);
        }
        start = end + 1;
    }
    return any;
}

bool FolderFileStore::isOpen(const fs::path& path) const
{
    for (const auto& [handle, file] : m_files)
        if (file.path == path)
            return true;
    return false;
}

DeviceError FolderFileStore::locate(std::u16string_view path, fs::path& local, std::uint32_t& attributes) const
{
    attributes = ce::kInvalidAttributes;
    std::error_code ec;
    if (!resolve(path, local))
        return ce::kErrorFileNotFound;
    if (!fs::exists(local, ec))
        return missing(local);
    attributes = fs::is_directory(local, ec) ? ce::kAttributeDirectory : ce::kAttributeNormal;
    return ce::kErrorSuccess;
}

DeviceError FolderFileStore::find(std::u16string_view path, CeFindData& found, std::uint32_t& handle)
{
    handle = ce::kInvalidHandle;
    fs::path local;
    if (DeviceError error = locate(path, local, found.attributes); error != ce::kErrorSuccess)
        return error;
    std::error_code ec;
    found.size = found.attributes == ce::kAttributeDirectory ? 0 : fs::file_size(local, ec);
    found.name = CodePage::utf8ToUtf16(local.filename().string());
    handle = nextHandle();
    m_finds.insert(handle);
    return ce::kErrorSuccess;
}

DeviceError FolderFileStore::attributes(std::u16string_view path, std::uint32_t& attributes) const
{
    fs::path local;
    return locate(path, local, attributes);
}

DeviceError FolderFileStore::open(std::u16string_view path, std::uint32_t access, std::uint32_t disposition,
                                  std::uint32_t& handle)
{
    handle = ce::kInvalidHandle;
    fs::path local;
    if (!resolve(path, local))
        return ce::kErrorPathNotFound;
    std::error_code ec;
    const bool writing = (access & ce::kGenericWrite) != 0;
    if (fs::is_directory(local, ec))
        return ce::kErrorAccessDenied;
    // Every opener shares reading only.
    if (writing && isOpen(local))
        return ce::kErrorSharingViolation;
    OpenFile file;
    file.writable = writing;
    if (disposition == ce::kOpenExisting) {
        if (!fs::exists(local, ec))
            return missing(local);
        file.file = openFile(local.string(), writing ? "r+b" : "rb");
    } else if (disposition == ce::kCreateAlways) {
        if (!fs::is_directory(local.parent_path(), ec))
            return ce::kErrorPathNotFound;
        file.file = openFile(local.string(), "wb");
    } else {
        return ce::kErrorInvalidParameter;
    }
    if (!file.file)
        return ce::kErrorAccessDenied;
    // Desktop copies come in blocks of a few KiB: a large buffer saves a
    // system call per block.
    std::setvbuf(file.file.get(), nullptr, _IOFBF, 256 * 1024);
    file.path = local;
    file.name = local.filename().string();
    handle = nextHandle();
    m_files.emplace(handle, std::move(file));
    return ce::kErrorSuccess;
}

DeviceError FolderFileStore::read(std::uint32_t handle, void* buffer, std::uint32_t size, std::uint32_t& got)
{
    got = 0;
    auto it = m_files.find(handle);
    if (it == m_files.end() || (size > 0 && buffer == nullptr))
        return ce::kErrorInvalidHandle;
    std::FILE* file = it->second.file.get();
    std::size_t n = std::fread(buffer, 1, size, file);
    if (n < size && std::ferror(file) != 0)
        return ce::kErrorGenFailure;
    it->second.moved += n;
    got = static_cast<std::uint32_t>(n);
    return ce::kErrorSuccess;
}

DeviceError FolderFileStore::write(std::uint32_t handle, std::span<const std::uint8_t> data)
{
    auto it = m_files.find(handle);
    if (it == m_files.end())
        return ce::kErrorInvalidHandle;
    if (!it->second.writable)
        return ce::kErrorAccessDenied;
    if (std::fwrite(data.data(), 1, data.size(), it->second.file.get()) != data.size())
        return ce::kErrorDiskFull;
    it->second.moved += data.size();
    return ce::kErrorSuccess;
}

DeviceError FolderFileStore::close(std::uint32_t handle)
{
    auto it = m_files.find(handle);
    if (it == m_files.end())
        return m_finds.erase(handle) > 0 ? ce::kErrorSuccess : ce::kErrorInvalidHandle;
    FilePtr file = std::move(it->second.file);
    m_files.erase(it);
    // The data a full disk did not take shows here.
    return std::fclose(file.release()) == 0 ? ce::kErrorSuccess : ce::kErrorDiskFull;
}

DeviceError FolderFileStore::move(std::u16string_view from, std::u16string_view to)
{
    fs::path source;
    fs::path target;
    std::error_code ec;
    if (!resolve(from, source) || !fs::exists(fs::symlink_status(source, ec)))
        return ce::kErrorFileNotFound;
    if (!resolve(to, target) || !fs::is_directory(target.parent_path(), ec))
        return ce::kErrorPathNotFound;
    if (fs::exists(fs::symlink_status(target, ec)))
        return ce::kErrorAlreadyExists;
    if (isOpen(source))
        return ce::kErrorSharingViolation;
    fs::rename(source, target, ec);
    return ec ? ce::kErrorAccessDenied : ce::kErrorSuccess;
}

DeviceError FolderFileStore::remove(std::u16string_view path)
{
    fs::path local;
    std::error_code ec;
    if (!resolve(path, local))
        return ce::kErrorFileNotFound;
    if (!fs::exists(fs::symlink_status(local, ec)))
        return missing(local);
    if (fs::is_directory(local, ec))
        return ce::kErrorAccessDenied;
    if (isOpen(local))
        return ce::kErrorSharingViolation;
    return fs::remove(local, ec) ? ce::kErrorSuccess : ce::kErrorAccessDenied;
}

DeviceError FolderFileStore::createDirectory(std::u16string_view path)
{
    fs::path local;
    std::error_code ec;
    if (!resolve(path, local))
        return ce::kErrorPathNotFound;
    if (fs::exists(fs::symlink_status(local, ec)))
        return ce::kErrorAlreadyExists;
    if (!fs::is_directory(local.parent_path(), ec))
        return ce::kErrorPathNotFound;
    return fs::create_directory(local, ec) ? ce::kErrorSuccess : ce::kErrorAccessDenied;
}

std::string FolderFileStore::lastName(std::u16string_view path)
{
    const std::size_t slash = path.find_last_of(u"\\/");
    return CodePage::utf16ToUtf8(path.substr(slash == std::u16string_view::npos ? 0 : slash + 1));
}

bool FolderFileStore::beginsWith(std::string_view name, std::string_view start)
{
    return !start.empty() && name.size() >= start.size() && RegistryFile::sameName(name.substr(0, start.size()), start);
}

void FolderFileStore::closeAll()
{
    m_files.clear();
    m_finds.clear();
}

const FolderFileStore::OpenFile* FolderFileStore::file(std::uint32_t handle) const
{
    auto it = m_files.find(handle);
    return it == m_files.end() ? nullptr : &it->second;
}

} // namespace tarvo
