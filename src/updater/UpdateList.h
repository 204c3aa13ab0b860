#pragma once

#include "updater/UpdateEntry.h"

#include <cstddef>
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
// file order. Entries match by `name`, exactly; no two share one.
class UpdateList final {
public:
    static constexpr int kLoaded = 0;
    static constexpr int kCancelled = -1;
    static constexpr int kFailed = -2;

    UpdateList() = default;

    // Takes `name` and reads the list afresh. LF, CR LF and a CR alone end
    // a line. Local: a missing or unreadable file is an empty list. Remote:
    // 404 is an empty list too; no connection, another status or a body
    // that breaks off fails (-2), a cancel of the run while the list comes
    // in gives -1; each is logged. Either fails (-2, logged) when the list
    // is longer than the context's bounds allow (bytes or lines). Lines that
    // name no file are skipped; lines that are too long, whose name could
    // leave the working folders, that repeat a name already listed or take
    // the name of a version list are logged as rejected and skipped.
    [[nodiscard]] int load(std::string_view name, ListSource source, const UpdateContext& context);

    const std::string& name() const { return m_name; }
    std::vector<UpdateEntry>& entries() { return m_entries; }
    const std::vector<UpdateEntry>& entries() const { return m_entries; }

    [[nodiscard]] const UpdateEntry* find(std::string_view name) const;

private:
    class Reader;

    int loadLocal(const UpdateContext& context);
    int loadRemote(const UpdateContext& context);
    // One line without its line end (cut to what can matter) and its full
    // length.
    void addLine(std::string_view line, std::size_t length, const UpdateContext& context);

    std::string m_name;
    std::vector<UpdateEntry> m_entries;
};

} // namespace tarvo
