#pragma once

#include "updater/UpdateObserver.h"

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace tarvo::test {

// Keeps every report of an update run, in order, as short strings:
// "progress 1024/4096", "caption ", "status Getting pbook.txt", "pending",
// "done". Safe to read while the worker still reports.
class RecordingObserver final : public UpdateObserver {
public:
    void progress(std::uint32_t received, std::int32_t expected) override
    {
        record("progress " + std::to_string(received) + "/" + std::to_string(expected));
        if (onProgress)
            onProgress(received);
    }
    void text(const std::string& text, UpdateTextTarget target) override
    {
        record((target == UpdateTextTarget::Status ? "status " : "caption ") + text);
    }
    void pending() override { record("pending"); }
    void done() override { record("done"); }

    std::vector<std::string> events() const
    {
        std::lock_guard lock(m_mutex);
        return m_events;
    }
    // The reports other than progress.
    std::vector<std::string> messages() const
    {
        std::vector<std::string> result;
        for (const std::string& e : events()) {
            if (e.rfind("progress ", 0) != 0)
                result.push_back(e);
        }
        return result;
    }
    std::size_t count() const
    {
        std::lock_guard lock(m_mutex);
        return m_events.size();
    }

    // Runs on the worker after a progress report is recorded.
    std::function<void(std::uint32_t received)> onProgress;

private:
    void record(std::string event)
    {
        std::lock_guard lock(m_mutex);
        m_events.push_back(std::move(event));
    }

    mutable std::mutex m_mutex;
    std::vector<std::string> m_events;
};

} // namespace tarvo::test
