#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace tarvo {

class AtomicFile;

// The files one pass stages, each written under a temporary name beside
// the name it is to have in "update". Only when the pass commits do they
// take their names, one rename each, all complete by then; a pass that
// fails, is cancelled or ends the run leaves no trace of them (the
// temporary files go with this object), and a killed one leaves only
// temporary files, which the next run sweeps. So what a stored list names
// is always a whole file.
class StagedFiles final {
public:
    explicit StagedFiles(std::filesystem::path base);
    StagedFiles(const StagedFiles&) = delete;
    StagedFiles& operator=(const StagedFiles&) = delete;
    ~StagedFiles();

    // A new file that takes the name `relative` (to the working folder)
    // when the pass commits, open for writing; null when its temporary
    // file cannot be made.
    AtomicFile* create(const std::string& relative);

    // Every file takes its name, in the order they were made. False when
    // one cannot: `from` is its temporary name and `to` the name it was to
    // take (both relative to the working folder). Before renaming anything,
    // a name taken by a folder is found and fails the whole commit; past
    // that, the files renamed before the failing one keep their new names.
    bool commit(std::string& from, std::string& to);

    // The temporary name of `file` beside `relative`, as the log gives it.
    static std::string temporaryName(const AtomicFile& file, const std::string& relative);

    // The names the files take, relative to the working folder.
    const std::vector<std::string>& names() const { return m_names; }

private:
    std::filesystem::path m_base;
    std::vector<std::unique_ptr<AtomicFile>> m_files;
    std::vector<std::string> m_names;
};

} // namespace tarvo
