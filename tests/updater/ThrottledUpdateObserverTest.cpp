#include "fixtures/FakeClock.h"
#include "fixtures/RecordingObserver.h"
#include "updater/ThrottledUpdateObserver.h"

#include <gtest/gtest.h>

using namespace tarvo;
using namespace std::chrono_literals;
using tarvo::test::FakeClock;
using tarvo::test::RecordingObserver;

TEST(ThrottledUpdateObserver, passesAtMostOneProgressPerIntervalAndNeverLosesTheLast)
{
    RecordingObserver target;
    FakeClock clock;
    ThrottledUpdateObserver throttled(target, 33ms, clock.function());

    throttled.text("Getting pbook.txt", UpdateTextTarget::Status);
    for (std::uint32_t block = 1; block <= 100; ++block) {
        throttled.progress(block * 1024, 100 * 1024);
        clock.now += 1ms;
    }
    // 100 reports over 100 ms: the first at once, then one per 33 ms.
    EXPECT_EQ(target.events(), (std::vector<std::string>{"status Getting pbook.txt", "progress 1024/102400",
                                                         "progress 34816/102400", "progress 68608/102400",
                                                         "progress 102400/102400"}));

    // The latest held-back report goes out before the next message.
    throttled.progress(2048, 4096);
    clock.now += 1ms;
    throttled.progress(3072, 4096);
    throttled.text("Getting city.txt", UpdateTextTarget::Status);
    throttled.progress(512, 600);
    clock.now += 1ms;
    throttled.progress(600, 600);
    throttled.done();
    std::vector<std::string> events = target.events();
    EXPECT_EQ(std::vector<std::string>(events.begin() + 5, events.end()),
              (std::vector<std::string>{"progress 3072/4096", "status Getting city.txt",
                                        "progress 512/600", "progress 600/600", "done"}));
}
