#include "updater/UpdateFixture.h"

#include <sched.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

using namespace tarvo;
using namespace tarvo::test;
using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

namespace {

// Lets the test thread wait for something the server or the worker does.
class Signal {
public:
    void raise()
    {
        std::lock_guard lock(m_mutex);
        m_raised = true;
        m_changed.notify_all();
    }
    bool wait(std::chrono::seconds limit = 20s)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, limit, [this] { return m_raised; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_raised = false;
};

} // namespace

TEST_F(UpdateTest, aSecondStartWhileARunGoesOnIsRefusedWithAMessage)
{
    Signal listAsked;
    m_server.put("/verce/42.ver", Served{.body = "a.txt,,1,0\r\n",
                                         .announced = 100,
                                         .fault = Served::Fault::Stall,
                                         .midway = [&listAsked] { listAsked.raise(); },
                                         .afterBytes = 1});
    auto service = makeService(options());
    ASSERT_TRUE(service->start(m_observer));
    ASSERT_TRUE(listAsked.wait());
    EXPECT_TRUE(service->running());

    RecordingObserver second;
    EXPECT_FALSE(service->start(second));
    ASSERT_EQ(m_frontEnd.boxes.size(), 1U);
    EXPECT_EQ(m_frontEnd.boxes[0].text, "Update already in progress");
    EXPECT_EQ(m_frontEnd.boxes[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(second.count(), 0U);

    // A cancel (a window that closes) ends the wait for the list, rather
    // than the stalled server's timeout: the run ends as cancelled, with
    // its usual reports.
    service->cancel();
    EXPECT_EQ(service->wait(), UpdateService::kFailed);
    EXPECT_EQ(service->lastOutcome(), UpdateOutcome::Cancelled);
    EXPECT_EQ(logBody(), (Lines{"", "(42.ver)", "User cancelled: $SERVER/verce/42.ver", "Update process failed -1"}));
    EXPECT_EQ(m_observer.messages(), (Lines{"status Application update failed.", "done"}));
}

TEST_F(UpdateTest, destroyingTheServiceMidTransferEndsTheRunWithoutWaitingForTheServer)
{
    // One server keeps sending, the other has stopped; the timeout is the
    // program's 30 s, which the test must not sit out.
    for (Served::Fault fault : {Served::Fault::None, Served::Fault::Stall}) {
        Signal flowing;
        m_server.put("/verce/42.ver", "big.bin,,1,0\r\n");
        m_server.put("/big.bin.1", Served{.announced = 256 << 20,
                                          .fault = fault,
                                          .generated = std::size_t{fault == Served::Fault::Stall ? 1U << 20 : 256U << 20},
                                          .midway = [&flowing] { flowing.raise(); },
                                          .afterBytes = 1 << 19});
        UpdateOptions program = options();
        program.httpTimeout = 30s;
        RecordingObserver observer;
        auto service = makeService(program);
        ASSERT_TRUE(service->start(observer));
        ASSERT_TRUE(flowing.wait());
        const auto before = std::chrono::steady_clock::now();
        service.reset();
        EXPECT_LT(std::chrono::steady_clock::now() - before, 10s);
        // Nothing reaches the observer once the service is gone.
        const std::size_t reports = observer.count();
        std::this_thread::sleep_for(50ms);
        EXPECT_EQ(observer.count(), reports);
        EXPECT_EQ(observer.events().back(), "done");
        Lines lines = log();
        EXPECT_EQ(lines.back(), "Update process failed -1");
        EXPECT_EQ(*(lines.end() - 2), "User cancelled: $SERVER/big.bin.1");
    }
}

TEST_F(UpdateTest, theWorkerRunsAtIdlePriorityAndCanBeStartedAgainAfterARun)
{
    m_server.put("/verce/42.ver", "a.txt,,1,0\r\n");
    m_server.put("/a.txt.1", "a");
    std::atomic<int> policy{-1};
    m_observer.onProgress = [&policy](std::uint32_t) { policy = sched_getscheduler(0); };
    UpdateOptions idle = options();
    idle.workerPriority = WorkerPriority::Idle;
    auto service = makeService(idle);

    ASSERT_TRUE(service->start(m_observer));
    EXPECT_EQ(service->wait(), UpdateService::kUpdated);
    EXPECT_EQ(policy.load(), SCHED_IDLE);
    EXPECT_FALSE(service->running());
    EXPECT_EQ(service->lastOutcome(), UpdateOutcome::Updated);

    RecordingObserver again;
    ASSERT_TRUE(service->start(again));
    EXPECT_EQ(service->wait(), UpdateService::kUpdated);
    EXPECT_EQ(again.messages().back(), "done");
    EXPECT_TRUE(m_frontEnd.boxes.empty());
}
