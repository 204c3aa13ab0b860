#include "support/AtomicFile.h"

#include "support/FileHandle.h"
#include "support/NativePath.h"

namespace tarvo {

namespace {

constexpr std::string_view kTempMark = ".tmp";
constexpr std::size_t kTempSuffix = 6; // the XXXXXX mkstemp fills in

// True for "<stem>.tmpXXXXXX" as open() names its temporary files, with
// `stem` (or any non-empty stem when `stem` is empty).
bool isTemporaryName(std::string_view name, std::string_view stem)
{
    if (name.size() <= kTempMark.size() + kTempSuffix)
        return false;
    std::string_view suffix = name.substr(name.size() - kTempSuffix);
    for (char c : suffix)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')))
            return false;
    std::string_view head = name.substr(0, name.size() - kTempSuffix);
    if (!head.ends_with(kTempMark))
        return false;
    head.remove_suffix(kTempMark.size());
    return stem.empty() ? !head.empty() : head == stem;
}

} // namespace

std::size_t AtomicFile::removeTemporaryFiles(const std::filesystem::path& folder, std::string_view stem)
{
    namespace fs = std::filesystem;
    std::size_t removed = 0;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (!isTemporaryName(pathText(it->path().filename()), stem))
            continue;
        std::error_code typeError;
        if (!it->is_regular_file(typeError) || it->is_symlink(typeError))
            continue;
        if (removeIfAbandoned(it->path()))
            ++removed;
    }
    return removed;
}

AtomicFile::AtomicFile(std::string path) : m_path(std::move(path)) {}

AtomicFile::~AtomicFile()
{
    discard();
}

bool AtomicFile::open()
{
    discard();
    m_failed = false;
    return createTemporary();
}

bool AtomicFile::write(std::string_view data)
{
    if (!m_file)
        return false;
    if (!data.empty() && std::fwrite(data.data(), 1, data.size(), m_file) != data.size())
        m_failed = true;
    return !m_failed;
}

bool AtomicFile::commit()
{
    if (m_tempPath.empty())
        return false;
    if (m_file && !complete()) {
        discard();
        return false;
    }
    // Renamed while still open, so the guard keeps sweeps away until the
    // file has its name.
    const bool replaced = m_file ? replaceWhileOpen() : replaceFinished(m_tempPath, m_path);
    if (!replaced) {
        discard();
        return false;
    }
    m_tempPath.clear();
    if (m_file) {
        // Everything is on disk already; the close cannot lose data.
        std::fclose(m_file);
        m_file = nullptr;
    }
    return true;
}

bool AtomicFile::finish()
{
    if (!m_file)
        return false;
    bool ok = complete();
    ok = std::fclose(m_file) == 0 && ok;
    m_file = nullptr;
    if (!ok)
        discard();
    return ok;
}

void AtomicFile::discard()
{
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    if (!m_tempPath.empty()) {
        removeFile(m_tempPath);
        m_tempPath.clear();
    }
}

std::size_t AtomicFile::removeLeftovers(const std::string& path)
{
    std::filesystem::path target = nativePath(path);
    std::filesystem::path folder = target.parent_path();
    return removeTemporaryFiles(folder.empty() ? std::filesystem::path(".") : folder, pathText(target.filename()));
}

std::size_t AtomicFile::removeLeftoversIn(const std::string& folder)
{
    return removeTemporaryFiles(nativePath(folder), {});
}

bool writeFileAtomically(const std::string& path, std::string_view content)
{
    AtomicFile file(path);
    return file.open() && file.write(content) && file.commit();
}

bool readWholeFile(const std::string& path, std::string& content)
{
    FilePtr f = openFile(path, "rb");
    if (!f)
        return false;
    content.clear();
    char block[65536];
    std::size_t got;
    while ((got = std::fread(block, 1, sizeof block, f.get())) > 0)
        content.append(block, got);
    return std::ferror(f.get()) == 0;
}

} // namespace tarvo
