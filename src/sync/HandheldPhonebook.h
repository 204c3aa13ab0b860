#pragma once

#include "phonebook/HandheldReadBack.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tarvo {

class DeviceLink;
class HandheldSet;

// The handheld's phonebook "cepbook.txt": the POPs of the HandheldSet. It is no store of its own; these are its
// two transfers, the read-back that marks at start-up what the device
// already carries, and the merged file that a synchronization pushes.
class HandheldPhonebook final {
public:
    // The lines of one POP that a read-back allows for: the POP and its
    // variants, at the longest line the reader takes.
    static constexpr std::uint64_t kLinesPerPop = 4;
    static constexpr std::uint64_t kLongestLine = 1025; // 1023 characters and CR LF

    HandheldPhonebook() = delete;

    // The most a read-back copies: a few times what a phonebook of `limit`
    // POPs can hold. A handheld that sends more is sending no phonebook
    // this program wrote, and the copy fails rather than fill the disk.
    static constexpr std::uint64_t readBackLimit(int limit)
    {
        return (static_cast<std::uint64_t>(limit > 0 ? limit : 0) + 1) * kLinesPerPop * kLongestLine;
    }

    // Copies the device's phonebook to `localPath` (the desktop copy in the
    // working folder) and marks every master POP it names. Marked also when the device has no phonebook (then
    // nothing is marked and `localPath` is left alone); NoDevice when no
    // device answers; CopyFailed when the copy failed otherwise (nothing
    // marked, also when the phonebook is longer than `readBackLimit`);
    // NotAPhonebook as `markFromFile`. With Marked, the outcome
    // counts the POPs the device's phonebook names, known to the master
    // phonebook or not, and those of them the master no longer holds.
    [[nodiscard]] static ReadBackOutcome readFromDevice(HandheldSet& handheld, DeviceLink& link,
                                                        const std::string& localPath);

    // The marking half of the read-back, on a desktop copy already made:
    // Marked, or NotAPhonebook when the file is no phonebook or cannot be
    // read. A missing file is created empty (and marks nothing).
    [[nodiscard]] static ReadBackOutcome markFromFile(HandheldSet& handheld, const std::string& localPath);

    // Writes "#VER <version> - merged" and the chosen POPs with their
    // variants, CR LF line ends, replacing `path` atomically; false when it
    // cannot be written (the old file is then untouched).
    [[nodiscard]] static bool writeMerged(const HandheldSet& handheld, const std::string& path, int version);

    // The read-back the master phonebook's load ends with, for the device
    // behind `link`, into `handheld` (which keeps its outcome). The link and
    // the set must outlive the phonebook's load.
    static HandheldReadBack readBackFor(DeviceLink& link, HandheldSet& handheld, std::string localPath);
};

} // namespace tarvo
