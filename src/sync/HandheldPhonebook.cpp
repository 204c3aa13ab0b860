#include "sync/HandheldPhonebook.h"

#include "device/DeviceLink.h"
#include "phonebook/HandheldSet.h"
#include "phonebook/PopFileReader.h"
#include "phonebook/PopList.h"
#include "phonebook/PopRecord.h"
#include "support/AtomicFile.h"
#include "support/Tokenizer.h"
#include "sync/HandheldFiles.h"

#include <array>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <unordered_set>
#include <utility>

namespace tarvo {

namespace {

// A record line is split into at most this many fields, as the POP file
// reader does; the 29th, when present, holds the rest of the line.
constexpr int kMaxFields = kPopColumnCount + 1;
// The handheld's file is always in canonical order and the POP id is read
// from this position whatever a header said.
constexpr std::size_t kPopIdPosition = static_cast<std::size_t>(PopColumn::POP);

// Flushed to the file whenever this much is buffered.
constexpr std::size_t kWriteChunk = 64 * 1024;

struct IdHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view id) const noexcept { return std::hash<std::string_view>{}(id); }
};

using IdSet = std::unordered_set<std::string, IdHash, std::equal_to<>>;

} // namespace

ReadBackOutcome HandheldPhonebook::readFromDevice(HandheldSet& handheld, DeviceLink& link, const std::string& localPath)
{
    switch (link.readFile(HandheldFiles::devicePath(HandheldFiles::kPhonebook), localPath,
                          readBackLimit(handheld.limit()))) {
    case SyncResult::Done:
        return markFromFile(handheld, localPath);
    case SyncResult::DeviceFileMissing:
        // No phonebook on the device yet: nothing to mark, and the desktop
        // copy stays as it was.
        return {ReadBackResult::Marked};
    case SyncResult::NoConnection:
        return {ReadBackResult::NoDevice};
    default:
        return {ReadBackResult::CopyFailed};
    }
}

ReadBackOutcome HandheldPhonebook::markFromFile(HandheldSet& handheld, const std::string& localPath)
{
    PopFileReader reader(localPath);
    if (reader.status() == PopFileStatus::CannotOpen) {
        // A copy that is gone is taken as an empty phonebook; one that is
        // there but cannot be read is not replaced.
        std::error_code ec;
        if (std::filesystem::exists(localPath, ec) || ec)
            return {ReadBackResult::NotAPhonebook};
        return {writeFileAtomically(localPath, {}) ? ReadBackResult::Marked : ReadBackResult::NotAPhonebook};
    }

    // Every POP the device names is looked up in the master list, whatever
    // the order of the file. Matching while walking the master list in step
    // with the file would stop at the first POP out of master order, or at
    // the first variant line (it repeats the id of the line before it), and
    // the next merged file would then silently drop every POP after it.
    //
    // Comment lines are skipped and never reach the header check: the file
    // this program writes has no header, the id position does not follow
    // one, and a header from the device would only change how the master's
    // later files are read.
    IdSet ids;
    std::array<std::string_view, kMaxFields> fields{};
    std::string_view line;
    while (reader.next(line)) {
        if (comment(line) != 0)
            continue;
        if (parseTokens(line, fields.data(), kMaxFields) < kPopColumnCount)
            continue;
        if (!ids.contains(fields[kPopIdPosition]))
            ids.emplace(fields[kPopIdPosition]);
    }
    if (reader.status() != PopFileStatus::Read)
        return {ReadBackResult::NotAPhonebook};
    if (ids.empty())
        return {ReadBackResult::Marked};

    // The device's lines were written from master entries only; a customer
    // POP that shares an id is never written to the device, so it is not
    // shown as being there.
    const HandheldSet::Unheld unheld = handheld.markReadBack(ids);
    return {ReadBackResult::Marked, ids.size(), unheld.fromMaster, unheld.customerOnly};
}

bool HandheldPhonebook::writeMerged(const HandheldSet& handheld, const std::string& path, int version)
{
    // Replaced whole or not at all: a failed write must not leave a stale or
    // truncated file that a synchronization would push.
    AtomicFile file(path);
    if (!file.open())
        return false;
    std::string buffer;
    buffer.reserve(kWriteChunk + 4096);
    buffer.append("#VER ").append(std::to_string(version)).append(" - merged\r\n");
    for (const PopRecord& pop : handheld.pops()) {
        if (!handheld.contains(pop))
            continue;
        pop.write(buffer);
        if (buffer.size() >= kWriteChunk) {
            if (!file.write(buffer))
                return false;
            buffer.clear();
        }
    }
    return file.write(buffer) && file.commit();
}

HandheldReadBack HandheldPhonebook::readBackFor(DeviceLink& link, HandheldSet& handheld, std::string localPath)
{
    return [&link, &handheld, localPath = std::move(localPath)](PopList&) {
        ReadBackOutcome outcome = readFromDevice(handheld, link, localPath);
        handheld.setReadBack(outcome);
        return outcome;
    };
}

} // namespace tarvo
