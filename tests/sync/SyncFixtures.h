#pragma once

#include "phonebook/PhonebookFixtures.h"
#include "phonebook/PopList.h"
#include "phonebook/PopRecord.h"
#include "support/RecordingFrontEnd.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <set>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace tarvo::test {

using SyncFrontEnd = RecordingFrontEnd;

// A simulated handheld folder with its "\Program Files\Tarvo\" folder.
class HandheldFolder final {
public:
    HandheldFolder() { std::filesystem::create_directories(tarvo()); }

    std::string folder() const { return root.path().string(); }
    std::filesystem::path tarvo() const { return root.path() / "fs" / "Program Files" / "Tarvo"; }
    void knobs(const std::string& lines) const { root.write("simulator.ini", "[Simulator]\r\n" + lines); }
    void put(const std::string& name, const std::string& content) const
    {
        root.write("fs/Program Files/Tarvo/" + name, content);
    }
    std::string get(const std::string& name) const { return root.read("fs/Program Files/Tarvo/" + name); }
    bool has(const std::string& name) const { return root.exists("fs/Program Files/Tarvo/" + name); }
    std::set<std::string> files() const
    {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(tarvo()))
            names.insert(entry.path().filename().string());
        return names;
    }

    TempDir root;
};

// Fails every write past `bytes` (with EFBIG instead of a signal) while it
// lives.
class ScopedFileSizeLimit final {
public:
    explicit ScopedFileSizeLimit(rlim_t bytes)
    {
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit reduced = m_saved;
        reduced.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &reduced);
    }
    ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
    ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;
    ~ScopedFileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_saved{};
    void (*m_handler)(int) = nullptr;
};

// The POP ids of the records with selected 1, in list order.
inline std::vector<std::string> selectedIds(const PopList& pops)
{
    std::vector<std::string> ids;
    for (const PopRecord& pop : pops)
        if (pop.selected() == 1)
            ids.emplace_back(pop.pop());
    return ids;
}

// Marks the records with these ids (every entry that carries one).
inline void choose(PopList& pops, const std::set<std::string>& ids)
{
    for (PopRecord& pop : pops)
        if (ids.count(std::string(pop.pop())) > 0)
            pop.setSelected(1);
}

} // namespace tarvo::test
