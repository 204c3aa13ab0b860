#include "updater/StagedFiles.h"

#include "support/AtomicFile.h"
#include "support/NativePath.h"

namespace tarvo {

StagedFiles::StagedFiles(std::filesystem::path base) : m_base(std::move(base)) {}

StagedFiles::~StagedFiles() = default;

AtomicFile* StagedFiles::create(const std::string& relative)
{
    auto file = std::make_unique<AtomicFile>(pathUnder(m_base, relative));
    if (!file->open())
        return nullptr;
    m_files.push_back(std::move(file));
    m_names.push_back(relative);
    return m_files.back().get();
}

std::string StagedFiles::temporaryName(const AtomicFile& file, const std::string& relative)
{
    const std::filesystem::path folder = nativePath(relative).parent_path();
    return pathText(folder / nativePath(file.temporaryPath()).filename());
}

bool StagedFiles::commit(std::string& from, std::string& to)
{
    auto failed = [&](std::size_t i) {
        from = temporaryName(*m_files[i], m_names[i]);
        to = m_names[i];
        return false;
    };
    for (std::size_t i = 0; i < m_files.size(); ++i) {
        std::error_code ec;
        if (std::filesystem::is_directory(std::filesystem::symlink_status(m_files[i]->path(), ec)))
            return failed(i);
    }
    for (std::size_t i = 0; i < m_files.size(); ++i) {
        const std::string temporary = temporaryName(*m_files[i], m_names[i]);
        if (!m_files[i]->commit()) {
            from = temporary;
            to = m_names[i];
            return false;
        }
    }
    return true;
}

} // namespace tarvo
