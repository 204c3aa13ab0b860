#include "updater/UpdateList.h"

#include "support/BoundedFileRead.h"
#include "support/HttpClient.h"
#include "updater/ListLineSplitter.h"
#include "updater/UpdateContext.h"
#include "updater/UpdateLog.h"
#include "updater/UpdatePaths.h"

#include <algorithm>
#include <cstdint>
#include <memory>

namespace tarvo {

namespace {

constexpr int kNotFound = 404;
// Pieces of a list body taken at a time.
constexpr std::size_t kReceiveBlock = 16384;

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

// The lines of one list, counted against the bound of its entries.
class UpdateList::Reader {
public:
    Reader(UpdateList& list, const UpdateContext& context)
        : m_splitter(UpdateEntry::kMaxLine + 1, [this, &list, &context](std::string_view line, std::size_t length) {
              if (length == 0 || m_tooMany)
                  return;
              if (++m_lines > context.limits.listEntries) {
                  m_tooMany = true;
                  return;
              }
              list.addLine(line, length, context);
          })
    {
    }

    void feed(std::string_view bytes) { m_splitter.feed(bytes); }
    void finish() { m_splitter.finish(); }
    bool tooMany() const { return m_tooMany; }

private:
    ListLineSplitter m_splitter;
    std::size_t m_lines = 0;
    bool m_tooMany = false;
};

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

void UpdateList::addLine(std::string_view line, std::size_t length, const UpdateContext& context)
{
    if (length > UpdateEntry::kMaxLine) {
        context.log.write("Rejected entry " + printable(line.substr(0, UpdateEntry::kMaxLine)) +
                          "... (line too long)");
        return;
    }
    UpdateEntry entry = UpdateEntry::parse(line, context.tags);
    if (entry.fieldCount < 4)
        return; // no entry at all: a blank or short line
    std::string_view why = entry.unsafeReason();
    // Two entries of one name would be staged under one file name.
    if (why.empty() && find(entry.name) != nullptr)
        why = "duplicate name";
    // "update" holds the stored lists beside the files.
    if (why.empty() && (entry.name == m_name || std::find(context.listNames.begin(), context.listNames.end(),
                                                          entry.name) != context.listNames.end()))
        why = "name of a version list";
    if (!why.empty()) {
        context.log.write("Rejected entry " + printable(line) + " (" + std::string(why) + ")");
        return;
    }
    m_entries.push_back(std::move(entry));
}

int UpdateList::loadLocal(const UpdateContext& context)
{
    std::string text;
    switch (readBoundedFile(context.file(m_name), context.limits.listBytes, text)) {
    case BoundedRead::Read:
        break;
    case BoundedRead::TooLarge:
        context.log.writeAlways("Version list " + m_name + " is larger than " + std::to_string(context.limits.listBytes) +
                          " bytes");
        return kFailed;
    case BoundedRead::Missing:
    case BoundedRead::NotRegular:
    case BoundedRead::Failed:
        return kLoaded; // no list to read: an empty one
    }
    Reader reader(*this, context);
    reader.feed(text);
    reader.finish();
    if (reader.tooMany()) {
        context.log.writeAlways("Version list " + m_name + " has more than " + std::to_string(context.limits.listEntries) +
                          " entries");
        m_entries.clear();
        return kFailed;
    }
    return kLoaded;
}

int UpdateList::loadRemote(const UpdateContext& context)
{
    const std::string url = context.serverUrl + "/" + std::string(kServerListFolder) + m_name;
    auto cancelled = [&context] { return context.http.abort && context.http.abort(); };
    HttpOpenResult opened = HttpConnection::openWithReason(url, context.authHeader, context.http);
    HttpHandle handle = std::move(opened.connection);
    if (!handle) {
        if (cancelled()) {
            context.log.write("User cancelled: " + url);
            return kCancelled;
        }
        context.log.write("Unable to get " + url);
        context.log.write(opened.failure);
        return kFailed;
    }
    if (const int status = httpStatusCode(handle); status != 200) {
        context.log.write(url, status);
        httpClose(handle);
        return status == kNotFound ? kLoaded : kFailed;
    }
    auto tooLarge = [&] {
        context.log.writeAlways("Version list " + url + " is larger than " + std::to_string(context.limits.listBytes) +
                          " bytes");
        m_entries.clear();
        return kFailed;
    };
    if (handle->contentLength() > 0 && static_cast<std::uint64_t>(handle->contentLength()) > context.limits.listBytes)
        return tooLarge();

    Reader reader(*this, context);
    auto buffer = std::make_unique<char[]>(kReceiveBlock);
    std::uint64_t received = 0;
    int n;
    while ((n = httpRecv(handle, buffer.get(), kReceiveBlock)) >= 1) {
        received += static_cast<std::uint64_t>(n);
        if (received > context.limits.listBytes)
            return tooLarge();
        reader.feed(std::string_view(buffer.get(), static_cast<std::size_t>(n)));
        if (reader.tooMany())
            break;
    }
    if (n == 0)
        reader.finish();
    if (reader.tooMany()) {
        context.log.writeAlways("Version list " + url + " has more than " + std::to_string(context.limits.listEntries) +
                          " entries");
        m_entries.clear();
        return kFailed;
    }
    if (n < 0) {
        // A list cut short would pass for a shorter list, and the pass would
        // then prune the entries it lost from the stored copy.
        m_entries.clear();
        if (cancelled()) {
            context.log.write("User cancelled: " + url);
            return kCancelled;
        }
        context.log.write("Unable to get " + url);
        context.log.write(handle->errorText());
        return kFailed;
    }
    httpClose(handle);
    return kLoaded;
}

} // namespace tarvo
