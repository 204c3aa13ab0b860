#pragma once

#include "support/NativePath.h"
#include "updater/UpdateEntry.h"

#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace tarvo {

class StagedFiles;
class TagExpander;
class UpdateList;
class UpdateLog;
struct UpdateContext;

// What a pass leaves on disk: after a pass that fetched everything, its
// files and the new local version list in "update", together, and safety
// copies of the installed files in "backup"; after a failed one, the
// staging exactly as it was. Installing the staged files is left to an
// installer outside the program.
class UpdateStaging final {
public:
    UpdateStaging(std::filesystem::path base, const TagExpander& tags, const UpdateLog& log)
        : m_base(std::move(base)), m_tags(tags), m_log(log)
    {
    }

    // Commits a pass whose files `staged` holds: merges the fetched entries
    // into the local list (in place of an entry of the same name, else at
    // the end), drops the entries the server no longer lists, backs up each
    // fetched entry and the list file itself, then gives the staged files
    // their names and stores the list as "update/<listName>", in that
    // order; then removes the versions of the fetched files that neither
    // this list nor the stored `otherList` names any more, and with flag L
    // deletes "log/<name>". Returns the pass's result: 1, or -2 (logged)
    // when a backup, the list or a staged file could not be written; the
    // staging is then as it was, but for files of the same name that were
    // replaced whole. A write error of the list throws `UpdateIoError`,
    // which ends the run.
    int commitPass(UpdateList& local, const UpdateList& remote, const std::vector<UpdateEntry>& set,
                   const std::string& listName, const std::string& otherList, StagedFiles& staged,
                   const UpdateContext& context) const;

    // Copies the installed file `name` to "backup/<name>". True when the
    // copy was made or there was nothing to copy; false (logged) when it
    // could not be made.
    bool backupEntry(const UpdateEntry& entry) const;

private:
    std::string file(const std::string& relative) const { return pathUnder(m_base, relative); }
    // Removes "update/<name>" and "update/<name>.<n>" (and their ".gz")
    // for each name of `set`, but for the files in `keep`.
    void removeSuperseded(const std::vector<UpdateEntry>& set, const std::set<std::string>& keep) const;

    std::filesystem::path m_base;
    const TagExpander& m_tags;
    const UpdateLog& m_log;
};

} // namespace tarvo
