#include "updater/UpdateStaging.h"

#include "support/AtomicFile.h"
#include "support/FileHandle.h"
#include "support/NativePath.h"
#include "updater/StagedFiles.h"
#include "updater/UpdateContext.h"
#include "updater/UpdateIoError.h"
#include "updater/UpdateList.h"
#include "updater/UpdateLog.h"
#include "updater/UpdatePaths.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace tarvo {

namespace {

constexpr std::size_t kCopyBlock = 1 << 16;

// The copy replaces the old one only when it is complete. False when it
// could not be made; a missing source is nothing to copy.
bool copyFile(const std::string& from, const std::string& to, bool& copied)
{
    copied = false;
    FilePtr source = openFile(from, "rb");
    if (!source)
        return errno == ENOENT;
    AtomicFile target(to);
    if (!target.open())
        return false;
    char block[kCopyBlock];
    std::size_t got;
    while ((got = std::fread(block, 1, sizeof block, source.get())) > 0) {
        if (!target.write(std::string_view(block, got)))
            return false;
    }
    copied = std::ferror(source.get()) == 0 && target.commit();
    return copied;
}

// What a stored list names in "update": each entry's versioned file and
// its compressed copy.
void addNamedFiles(const std::vector<UpdateEntry>& entries, std::set<std::string>& files)
{
    for (const UpdateEntry& entry : entries) {
        UpdateEntry named = entry;
        named.suffix = entry.major;
        files.insert(named.localName());
        files.insert(named.localName() + ".gz");
    }
}

// "<name>", "<name>.<n>" or either with ".gz": a staged version of `name`.
bool isVersionOf(std::string_view file, std::string_view name)
{
    if (file.ends_with(".gz"))
        file.remove_suffix(3);
    if (file == name)
        return true;
    if (!file.starts_with(name) || file.size() < name.size() + 2 || file[name.size()] != '.')
        return false;
    std::string_view number = file.substr(name.size() + 1);
    if (number.front() == '-')
        number.remove_prefix(1);
    return !number.empty() && number.find_first_not_of("0123456789") == std::string_view::npos;
}

} // namespace

int UpdateStaging::commitPass(UpdateList& local, const UpdateList& remote, const std::vector<UpdateEntry>& set,
                              const std::string& listName, const std::string& otherList, StagedFiles& staged,
                              const UpdateContext& context) const
{
    std::vector<UpdateEntry>& entries = local.entries();
    for (const UpdateEntry& fetched : set) {
        UpdateEntry fresh = UpdateEntry::parse(fetched.line, m_tags);
        auto same = std::find_if(entries.begin(), entries.end(),
                                 [&](const UpdateEntry& e) { return e.name == fresh.name; });
        if (same != entries.end())
            *same = std::move(fresh);
        else
            entries.push_back(std::move(fresh));
    }
    std::erase_if(entries, [&](const UpdateEntry& e) { return remote.find(e.name) == nullptr; });

    // The list is written first and takes its name last: until then the
    // stored list is the old one, which names the old files, all there.
    const std::string stored = std::string(kUpdateFolder) + "/" + listName;
    AtomicFile list(file(stored));
    if (!list.open()) {
        m_log.write("Can't write to local file " + stored);
        return -2;
    }
    std::string content;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i > 0)
            content += "\r\n";
        content += entries[i].line;
    }
    errno = 0;
    if (!list.write(content) || !list.finish())
        throw UpdateIoError(errno != 0 ? errno : EIO, stored);

    // Backups before anything is staged: one that fails fails the pass
    // while the staging is still the previous one.
    for (const UpdateEntry& fetched : set) {
        if (!backupEntry(fetched))
            return -2;
    }
    if (!backupEntry(UpdateEntry::parse(listName + ",a,0,0", m_tags)))
        return -2;

    std::string from;
    std::string to;
    bool moved = staged.commit(from, to);
    if (moved) {
        from = StagedFiles::temporaryName(list, stored);
        to = stored;
        moved = list.commit();
    }
    if (!moved) {
        m_log.write("Unable to move file " + from + " to " + to);
        return -2;
    }

    std::set<std::string> keep;
    addNamedFiles(entries, keep);
    UpdateList other;
    if (other.load(std::string(kUpdateFolder) + "/" + otherList, ListSource::Local, context) == UpdateList::kLoaded)
        addNamedFiles(other.entries(), keep);
    removeSuperseded(set, keep);

    // Flag L on the update log itself is how a server resets a client's
    // log: the run's later records start a new one.
    for (const UpdateEntry& fetched : set) {
        if (fetched.dropLog)
            std::remove(file(std::string(kLogFolder) + "/" + fetched.name).c_str());
    }
    return 1;
}

bool UpdateStaging::backupEntry(const UpdateEntry& entry) const
{
    if (!entry.unsafeReason().empty())
        return true;
    const std::string to = std::string(kBackupFolder) + "/" + entry.name;
    bool copied = false;
    if (copyFile(file(entry.name), file(to), copied))
        return true;
    m_log.write("Unable to back up " + entry.name + " to " + to);
    return false;
}

void UpdateStaging::removeSuperseded(const std::vector<UpdateEntry>& set, const std::set<std::string>& keep) const
{
    namespace fs = std::filesystem;
    std::error_code ec;
    for (fs::directory_iterator it(m_base / kUpdateFolder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = pathText(it->path().filename());
        if (keep.count(name) != 0)
            continue;
        std::error_code typeError;
        if (it->is_directory(typeError))
            continue;
        for (const UpdateEntry& fetched : set) {
            if (isVersionOf(name, fetched.name)) {
                std::error_code removeError;
                fs::remove(it->path(), removeError);
                break;
            }
        }
    }
}

} // namespace tarvo
