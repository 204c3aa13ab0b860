#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tarvo {

// The update log, "log/update.log": one record per event, "text" or, when a
// code goes with it, "code: text". The file is opened and closed for every
// record, so it can be read while a run goes on, and no lock is held
// between records.
class UpdateLog final {
public:
    // The trimming bound applied at program end.
    static constexpr long kSizeLimit = 50000;
    static constexpr float kSizeFactor = 1.5f;

    explicit UpdateLog(std::filesystem::path file) : m_file(std::move(file)) {}

    // Appends one record as Windows text (CR LF for every line end, also
    // those inside `text`). A log that cannot be opened loses the record
    // without any message.
    void write(std::string_view text, int code = 0) const;

    // Keeps the log bounded; runs once, when the update service goes away.
    void limitSize() const;

    // Why the last run failed, as its log says: the reason lines (at most
    // two, such as "Unable to get URL" and the connection's own reason)
    // before the run's closing records. "" when the last run logged none.
    [[nodiscard]] std::string lastReason() const;
    static std::string lastReason(std::string_view logText);

    const std::filesystem::path& file() const { return m_file; }

private:
    std::filesystem::path m_file;
};

} // namespace tarvo
