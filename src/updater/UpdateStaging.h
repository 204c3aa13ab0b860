#pragma once

#include "updater/UpdateEntry.h"

#include <filesystem>
#include <string>
#include <vector>

namespace tarvo {

class TagExpander;
class UpdateList;

// What a pass leaves on disk: after a pass that fetched everything, the new
// local version list in "update" and safety copies of the installed files
// in "backup"; after a failed one, none of its downloads. Installing the
// staged files is left to an installer outside the program.
class UpdateStaging final {
public:
    UpdateStaging(std::filesystem::path base, const TagExpander& tags) : m_base(std::move(base)), m_tags(tags) {}

    // Merges the fetched entries into the local list (in place of an entry
    // of the same name, else at the end), drops the entries the server no
    // longer lists, stores the result as "update/<listName>" and backs up
    // each fetched entry and the list file itself. A list that cannot be
    // created is not stored, silently; one that cannot be written throws
    // `UpdateIoError`, which ends the run.
    void commitPass(UpdateList& local, const UpdateList& remote, const std::vector<UpdateEntry>& set,
                    const std::string& listName) const;

    // Deletes each entry's update path: with its version suffix when it was
    // fetched, under its bare name when the pass never reached it. The
    // ".gz" copies stay.
    void discardDownloads(const std::vector<UpdateEntry>& set) const;

    // Copies the installed file `name` to "backup/<name>" (a missing file or
    // a failed copy is skipped), and with flag L deletes "log/<name>".
    void backupEntry(const UpdateEntry& entry) const;

private:
    std::string file(const std::string& relative) const { return (m_base / relative).string(); }

    std::filesystem::path m_base;
    const TagExpander& m_tags;
};

} // namespace tarvo
