#pragma once

#include "updater/UpdateEntry.h"

#include <string>
#include <string_view>
#include <vector>

namespace tarvo {

struct UpdateContext;

enum class ListSource {
    Local,  // the copy in the working folder
    Remote, // "<server>/verce/<name>"
};

// A version list: its file name (such as "global.ver") and its entries in
// file order. Entries match by `name`, exactly; the first match wins.
class UpdateList final {
public:
    static constexpr int kLoaded = 0;
    static constexpr int kFailed = -2;

    UpdateList() = default;

    // Takes `name` and reads the list afresh. Local: a missing file is an
    // empty list. Remote: 404 is an empty list too; no connection, another
    // status or a body that breaks off fails (-2) and is logged. Lines that
    // name no file are skipped; lines that are too long or whose path could
    // leave the working folders are logged as rejected and skipped.
    [[nodiscard]] int load(std::string_view name, ListSource source, const UpdateContext& context);

    const std::string& name() const { return m_name; }
    std::vector<UpdateEntry>& entries() { return m_entries; }
    const std::vector<UpdateEntry>& entries() const { return m_entries; }

    [[nodiscard]] const UpdateEntry* find(std::string_view name) const;

private:
    int loadLocal(const UpdateContext& context);
    int loadRemote(const UpdateContext& context);
    // One whole line, its line end still on.
    void addLine(std::string_view line, const UpdateContext& context);

    std::string m_name;
    std::vector<UpdateEntry> m_entries;
};

} // namespace tarvo
