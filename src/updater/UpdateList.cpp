#include "updater/UpdateList.h"

#include "support/HttpClient.h"
#include "support/LineReader.h"
#include "support/Tokenizer.h"
#include "updater/UpdateContext.h"
#include "updater/UpdateLog.h"
#include "updater/UpdatePaths.h"

#include <cstdio>
#include <utility>

namespace tarvo {

namespace {

// The receive buffer of a list line: at most 259 characters and the NUL.
constexpr std::size_t kLineBuffer = UpdateEntry::kMaxLine + 1;
constexpr int kNotFound = 404;

// Gathers the pieces of one line (readers hand out long lines in several
// pieces) but keeps no more than can matter: a line longer than an entry
// may be is rejected whole, so its tail never poses as an entry of its own.
class LineAssembler {
public:
    // True when `piece` completed a line.
    bool add(std::string_view piece)
    {
        if (m_line.size() < kKeep)
            m_line.append(piece.substr(0, kKeep - m_line.size()));
        return !piece.empty() && piece.back() == '\n';
    }
    bool pending() const { return !m_line.empty(); }
    std::string take() { return std::exchange(m_line, {}); }

private:
    // Enough to tell an overlong line from one with CR LF at its end.
    static constexpr std::size_t kKeep = UpdateEntry::kMaxLine + 3;
    std::string m_line;
};

// A line as the log shows it: bytes that would break the record up or
// vanish (line ends, NUL, other control characters) are written as \xNN.
std::string printable(std::string_view line)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : line) {
        auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F) {
            out += "\\x";
            out += kHex[b >> 4];
            out += kHex[b & 0x0F];
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

int UpdateList::load(std::string_view name, ListSource source, const UpdateContext& context)
{
    m_name = std::string(name);
    m_entries.clear();
    return source == ListSource::Local ? loadLocal(context) : loadRemote(context);
}

const UpdateEntry* UpdateList::find(std::string_view name) const
{
    for (const UpdateEntry& entry : m_entries) {
        if (entry.name == name)
            return &entry;
    }
    return nullptr;
}

void UpdateList::addLine(std::string_view line, const UpdateContext& context)
{
    line = StripCRLF(line);
    if (line.size() > UpdateEntry::kMaxLine) {
        context.log.write("Rejected entry " + printable(line.substr(0, UpdateEntry::kMaxLine)) +
                          "... (line too long)");
        return;
    }
    UpdateEntry entry = UpdateEntry::parse(line, context.tags);
    if (entry.fieldCount < 4)
        return; // no entry at all: a blank or short line
    if (std::string_view why = entry.unsafeReason(); !why.empty()) {
        context.log.write("Rejected entry " + printable(line) + " (" + std::string(why) + ")");
        return;
    }
    m_entries.push_back(std::move(entry));
}

int UpdateList::loadLocal(const UpdateContext& context)
{
    LineReader reader(context.file(m_name));
    if (!reader.isOpen())
        return kLoaded;
    LineAssembler assembler;
    std::string_view piece;
    while (reader.next(piece)) {
        if (assembler.add(piece))
            addLine(assembler.take(), context);
    }
    if (assembler.pending())
        addLine(assembler.take(), context);
    return kLoaded;
}

int UpdateList::loadRemote(const UpdateContext& context)
{
    const std::string url = context.serverUrl + "/" + std::string(kServerListFolder) + m_name;
    HttpOpenResult opened = HttpConnection::openWithReason(url, context.authHeader, context.http);
    HttpHandle handle = std::move(opened.connection);
    if (!handle) {
        context.log.write("Unable to get " + url);
        context.log.write(opened.failure);
        return kFailed;
    }
    if (const int status = HttpStatusCode(handle); status != 200) {
        context.log.write(url, status);
        HttpClose(handle);
        return status == kNotFound ? kLoaded : kFailed;
    }
    char buffer[kLineBuffer];
    LineAssembler assembler;
    int n;
    while ((n = HttpRecvLn(handle, buffer, sizeof buffer)) >= 1) {
        if (assembler.add(std::string_view(buffer, static_cast<std::size_t>(n))))
            addLine(assembler.take(), context);
    }
    if (assembler.pending())
        addLine(assembler.take(), context);
    if (n < 0) {
        // A list cut short would pass for a shorter list, and the pass would
        // then prune the entries it lost from the stored copy.
        context.log.write("Unable to get " + url);
        context.log.write(handle->errorText());
        m_entries.clear();
        return kFailed;
    }
    HttpClose(handle);
    return kLoaded;
}

} // namespace tarvo
