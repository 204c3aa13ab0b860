#include "updater/UpdateStaging.h"

#include "support/AtomicFile.h"
#include "support/FileHandle.h"
#include "updater/UpdateIoError.h"
#include "updater/UpdateList.h"
#include "updater/UpdatePaths.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace tarvo {

namespace {

constexpr std::size_t kCopyBlock = 1 << 16;

// Best effort: the copy replaces the old one only when it is complete.
void copyFile(const std::string& from, const std::string& to)
{
    FilePtr source = openFile(from, "rb");
    if (!source)
        return;
    AtomicFile target(to);
    if (!target.open())
        return;
    char block[kCopyBlock];
    std::size_t got;
    while ((got = std::fread(block, 1, sizeof block, source.get())) > 0) {
        if (!target.write(std::string_view(block, got)))
            return;
    }
    if (std::ferror(source.get()) == 0)
        (void)target.commit();
}

} // namespace

void UpdateStaging::commitPass(UpdateList& local, const UpdateList& remote, const std::vector<UpdateEntry>& set,
                               const std::string& listName) const
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

    const std::string stored = std::string(kUpdateFolder) + "/" + listName;
    AtomicFile list(file(stored));
    if (list.open()) {
        std::string content;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (i > 0)
                content += "\r\n";
            content += entries[i].line;
        }
        errno = 0;
        if (!list.write(content) || !list.commit())
            throw UpdateIoError(errno != 0 ? errno : EIO, stored);
    }

    for (const UpdateEntry& fetched : set)
        backupEntry(fetched);
    backupEntry(UpdateEntry::parse(listName + ",a,0,0", m_tags));
}

void UpdateStaging::discardDownloads(const std::vector<UpdateEntry>& set) const
{
    for (const UpdateEntry& entry : set)
        std::remove(file(entry.updatePath()).c_str());
}

void UpdateStaging::backupEntry(const UpdateEntry& entry) const
{
    if (!entry.unsafeReason().empty())
        return;
    copyFile(file(entry.name), file(std::string(kBackupFolder) + "/" + entry.name));
    if (entry.dropLog)
        std::remove(file(std::string(kLogFolder) + "/" + entry.name).c_str());
}

} // namespace tarvo
