#include "ceemu/CeFileStore.h"

#include "ceproto/CeWin32.h"
#include "text/CodePage.h"
#include "text/RegistryFile.h"

#include <system_error>

namespace tarvo::ceemu {

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

std::string lastName(const fs::path& path)
{
    return path.filename().string();
}

} // namespace

CeFileStore::CeFileStore(fs::path root) : m_root(std::move(root)) {}

std::uint32_t CeFileStore::nextHandle()
{
    m_lastHandle += 4;
    if (m_lastHandle == 0 || m_lastHandle == ce::kInvalidHandle)
        m_lastHandle = 0x40;
    return m_lastHandle;
}

bool CeFileStore::resolve(std::u16string_view path, fs::path& out) const
{
    std::string text = CodePage::utf16ToUtf8(path);
    out = m_root;
    std::size_t start = 0;
    bool any = false;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of("\\/", start);
        if (end == std::string::npos)
            end = text.size();
        if (end > start) {
            std::string part = text.substr(start, end - start);
            if (!allowedName(part))
                return false;
            any = true;
            std::error_code ec;
            fs::path exact = out / part;
            if (!fs::exists(fs::symlink_status(exact, ec))) {
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

std::int32_t CeFileStore::find(std::u16string_view path, Found& found, std::uint32_t& handle)
{
    handle = ce::kInvalidHandle;
    fs::path local;
    std::error_code ec;
    if (!resolve(path, local) || !fs::exists(local, ec))
        return ce::kErrorFileNotFound;
    bool folder = fs::is_directory(local, ec);
    found.attributes = folder ? ce::kAttributeDirectory : ce::kAttributeNormal;
    found.size = folder ? 0 : fs::file_size(local, ec);
    found.name = CodePage::utf8ToUtf16(lastName(local));
    handle = nextHandle();
    m_finds.insert(handle);
    return ce::kErrorSuccess;
}

std::int32_t CeFileStore::findClose(std::uint32_t handle)
{
    return m_finds.erase(handle) > 0 ? ce::kErrorSuccess : ce::kErrorInvalidHandle;
}

std::int32_t CeFileStore::attributes(std::u16string_view path, std::uint32_t& attributes) const
{
    attributes = ce::kInvalidAttributes;
    fs::path local;
    std::error_code ec;
    if (!resolve(path, local) || !fs::exists(local, ec))
        return ce::kErrorFileNotFound;
    attributes = fs::is_directory(local, ec) ? ce::kAttributeDirectory : ce::kAttributeNormal;
    return ce::kErrorSuccess;
}

std::int32_t CeFileStore::open(std::u16string_view path, std::uint32_t access, std::uint32_t disposition,
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
    OpenFile file;
    file.writable = writing;
    if (disposition == ce::kOpenExisting) {
        if (!fs::exists(local, ec))
            return fs::is_directory(local.parent_path(), ec) ? ce::kErrorFileNotFound : ce::kErrorPathNotFound;
        file.file = openFile(local.string(), writing ? "r+b" : "rb");
    } else if (disposition == ce::kCreateAlways) {
        if (!fs::is_directory(local.parent_path(), ec))
            return ce::kErrorPathNotFound;
        const std::string name = lastName(local);
        if (!m_failCreate.empty() && name.size() >= m_failCreate.size() &&
            RegistryFile::sameName(name.substr(0, m_failCreate.size()), m_failCreate))
            return ce::kErrorAccessDenied;
        file.file = openFile(local.string(), "wb");
    } else {
        return ce::kErrorInvalidParameter;
    }
    if (!file.file)
        return ce::kErrorAccessDenied;
    // Desktop copies come in blocks of a few KiB: a large buffer keeps the
    // emulator from making a system call per block.
    std::setvbuf(file.file.get(), nullptr, _IOFBF, 256 * 1024);
    handle = nextHandle();
    m_files.emplace(handle, std::move(file));
    return ce::kErrorSuccess;
}

std::int32_t CeFileStore::read(std::uint32_t handle, std::uint32_t size, std::vector<std::uint8_t>& data)
{
    data.clear();
    auto it = m_files.find(handle);
    if (it == m_files.end())
        return ce::kErrorInvalidHandle;
    data.resize(size);
    std::size_t got = std::fread(data.data(), 1, size, it->second.file.get());
    data.resize(got);
    return std::ferror(it->second.file.get()) != 0 ? ce::kErrorGenFailure : ce::kErrorSuccess;
}

std::int32_t CeFileStore::write(std::uint32_t handle, std::span<const std::uint8_t> data)
{
    auto it = m_files.find(handle);
    if (it == m_files.end())
        return ce::kErrorInvalidHandle;
    if (!it->second.writable)
        return ce::kErrorAccessDenied;
    if (std::fwrite(data.data(), 1, data.size(), it->second.file.get()) != data.size())
        return ce::kErrorGenFailure;
    return ce::kErrorSuccess;
}

std::int32_t CeFileStore::close(std::uint32_t handle)
{
    auto it = m_files.find(handle);
    if (it == m_files.end())
        return findClose(handle);
    FilePtr file = std::move(it->second.file);
    m_files.erase(it);
    return std::fclose(file.release()) == 0 ? ce::kErrorSuccess : ce::kErrorGenFailure;
}

std::int32_t CeFileStore::move(std::u16string_view from, std::u16string_view to)
{
    fs::path source;
    fs::path target;
    std::error_code ec;
    if (!resolve(from, source) || !fs::exists(source, ec))
        return ce::kErrorFileNotFound;
    if (!resolve(to, target) || !fs::is_directory(target.parent_path(), ec))
        return ce::kErrorPathNotFound;
    // The device does not move a file over an existing one.
    if (fs::exists(fs::symlink_status(target, ec)))
        return ce::kErrorAlreadyExists;
    fs::rename(source, target, ec);
    return ec ? ce::kErrorAccessDenied : ce::kErrorSuccess;
}

std::int32_t CeFileStore::remove(std::u16string_view path)
{
    fs::path local;
    std::error_code ec;
    if (!resolve(path, local) || !fs::exists(local, ec))
        return ce::kErrorFileNotFound;
    if (fs::is_directory(local, ec))
        return ce::kErrorAccessDenied;
    return fs::remove(local, ec) ? ce::kErrorSuccess : ce::kErrorAccessDenied;
}

void CeFileStore::closeAll()
{
    m_files.clear();
    m_finds.clear();
}

} // namespace tarvo::ceemu
