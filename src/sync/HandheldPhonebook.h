#pragma once

#include "phonebook/MasterPhonebook.h"

#include <string>
#include <string_view>

namespace tarvo {

class DeviceLink;
class PopList;

// The handheld's phonebook "cepbook.txt": the master POPs chosen for the
// device (fromMaster 1, selected 1). It is no store of its own; these are
// its two transfers, the read-back that marks at start-up what the device
// already carries, and the merged file that a synchronization pushes.
class HandheldPhonebook final {
public:
    static constexpr std::string_view kDevicePath = "\\Program Files\\Tarvo\\cepbook.txt";
    // The desktop copy, in the current folder.
    static constexpr std::string_view kLocalFile = "cepbook.txt";
    // What a read-back answers when the device copy is no phonebook or the
    // desktop copy can neither be read nor created.
    static constexpr int kNotAPhonebook = 1;

    HandheldPhonebook() = delete;

    // Copies the device's phonebook to `localPath` and marks every master
    // POP it names. 0 (also when the device has no phonebook: then nothing
    // is marked and `localPath` is left alone), 1 (see kNotAPhonebook),
    // E_FAIL when no device answers, or the device link's code of a copy
    // that failed otherwise (nothing marked).
    [[nodiscard]] static int ReadFromDevice(PopList& pops, DeviceLink& link,
                                            const std::string& localPath = std::string(kLocalFile));

    // The marking half of the read-back, on a desktop copy already made: 0,
    // or 1 when the file is no phonebook or cannot be read. A missing file is
    // created empty (and marks nothing).
    [[nodiscard]] static int MarkFromFile(PopList& pops, const std::string& localPath);

    // Writes "#VER <version> - merged" and the chosen POPs with their
    // variants, CR LF line ends, replacing `path` atomically: 0, or 1 when it
    // cannot be written (the old file is then untouched).
    [[nodiscard]] static int WriteMerged(const PopList& pops, const std::string& path, int version);

    // The read-back the master phonebook's load ends with, for the device
    // behind `link`. The link must outlive the phonebook's load.
    static MasterPhonebook::ReadBack readBackFor(DeviceLink& link, std::string localPath = std::string(kLocalFile));
};

} // namespace tarvo
