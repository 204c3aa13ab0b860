#pragma once

#include "gui/UpdateRunner.h"
#include "updater/UpdateObserver.h"

#include <QObject>
#include <QPointer>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace tarvo::test {

// An update service stand-in: each start runs a script on a worker thread
// of its own, reporting to the observer it was given; a second start while
// one runs is refused. The owner joins the worker.
class FakeUpdateRun final {
public:
    using Script = std::function<void(UpdateObserver&, const std::atomic<bool>& keepGoing)>;

    explicit FakeUpdateRun(Script script) : m_script(std::move(script)) {}
    FakeUpdateRun(const FakeUpdateRun&) = delete;
    FakeUpdateRun& operator=(const FakeUpdateRun&) = delete;
    ~FakeUpdateRun() { join(); }

    // `logFile`: where the window looks for the run's log.
    gui::UpdateRunner runner(std::string logFile = "/work/folder/log/update.log")
    {
        return {[this](UpdateObserver& observer) { return start(observer); },
                [this] {
                    m_keepGoing = false;
                    ++cancels;
                },
                std::move(logFile)};
    }

    bool start(UpdateObserver& observer)
    {
        if (m_running)
            return false;
        join();
        m_running = true;
        m_keepGoing = true;
        ++starts;
        // A window's observer is a QObject: the tests watch it go away.
        lastObserver = dynamic_cast<QObject*>(&observer);
        m_worker = std::thread([this, &observer] {
            m_script(observer, m_keepGoing);
            observer.done();
            m_running = false;
        });
        return true;
    }

    void join()
    {
        if (m_worker.joinable())
            m_worker.join();
    }
    bool running() const { return m_running; }

    std::atomic<int> starts{0};
    std::atomic<int> cancels{0};
    QPointer<QObject> lastObserver;

private:
    Script m_script;
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_keepGoing{true};
    std::thread m_worker;
};

} // namespace tarvo::test
