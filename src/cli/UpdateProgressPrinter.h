#pragma once

#include "updater/UpdateObserver.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>

namespace tarvo::cli {

// Shows an update run on stderr. On a terminal: the status lines, and under
// "Getting <file>" a bar redrawn in place with the file name, bytes, rate
// and time left. Otherwise plain lines only: the status lines, and after
// each file how many bytes came in how long.
//
// Called on the update worker; the command's own thread writes to the same
// stream only once the run has ended.
class UpdateProgressPrinter final : public UpdateObserver {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    UpdateProgressPrinter(std::ostream& out, bool terminal, Clock clock = {});

    void progress(std::uint32_t received, std::int32_t expected) override;
    void text(const std::string& text, UpdateTextTarget target) override;
    void pending() override {}
    void done() override;

private:
    void endLine();
    void endFile();

    std::ostream& m_out;
    bool m_terminal;
    Clock m_clock;
    std::string m_file;
    std::chrono::steady_clock::time_point m_fileStart{};
    bool m_receiving = false;
    bool m_barShown = false;
    std::uint32_t m_received = 0;
    std::size_t m_barWidth = 0;
};

} // namespace tarvo::cli
