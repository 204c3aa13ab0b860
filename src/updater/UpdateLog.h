#pragma once

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace tarvo {

// The update log, "log/update.log": one record per event, "text" or, when a
// code goes with it, "code: text". The file is opened and closed for every
// record, so it can be read while a run goes on, and no lock is held
// between records.
//
// A run writes at most `maxRecords` records of detail (a server that sends
// endless rejected lines must not fill the disk before the size bound at
// the end applies); past that one record says so and the details are left
// out. A run's header, the bound that ended a pass and the outcome of
// each pass are always written.
class UpdateLog final {
public:
    // The trimming bound applied at program end.
    static constexpr long kSizeLimit = 50000;
    static constexpr float kSizeFactor = 1.5f;
    static constexpr std::size_t kDefaultMaxRecords = 5000;

    explicit UpdateLog(std::filesystem::path file, std::size_t maxRecords = kDefaultMaxRecords)
        : m_file(std::move(file)), m_maxRecords(maxRecords)
    {
    }

    // A new run: its records are counted from nought.
    void beginRun() const { m_records = 0; }

    // Appends one record of detail as Windows text (CR LF for every line
    // end, also those inside `text`). A log that cannot be opened loses the
    // record without any message.
    void write(std::string_view text, int code = 0) const;
    // The same, not counted and never left out.
    void writeAlways(std::string_view text, int code = 0) const;

    // Keeps the log bounded; runs once, when the update service goes away.
    void limitSize() const;

    // Why the last run failed, as its log says: the reason lines (at most
    // two, such as "Unable to get URL" and the connection's own reason)
    // before the run's closing records. "" when the last run logged none.
    [[nodiscard]] std::string lastReason() const;
    static std::string lastReason(std::string_view logText);

    const std::filesystem::path& file() const { return m_file; }

private:
    void append(std::string_view text, int code) const;

    std::filesystem::path m_file;
    std::size_t m_maxRecords;
    // Written by the update worker; atomic because a service may be asked
    // to begin a run from another thread than the one that writes.
    mutable std::atomic<std::size_t> m_records{0};
};

} // namespace tarvo
