#include "support/SideBySide.h"

#include "fixtures/NoThreads.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace tarvo;

TEST(SideBySide, theOtherSideRunsOnAThreadOfItsOwnAndItsExceptionIsThrownHere)
{
    std::thread::id here;
    std::thread::id there;
    runSideBySide(
        true, [&] { here = std::this_thread::get_id(); }, [&] { there = std::this_thread::get_id(); });
    EXPECT_EQ(here, std::this_thread::get_id());
    EXPECT_NE(there, std::thread::id{});
    EXPECT_NE(there, here);

    bool hereRan = false;
    EXPECT_THROW(runSideBySide(
                     true, [&] { hereRan = true; }, [] { throw std::runtime_error("there"); }),
                 std::runtime_error);
    EXPECT_TRUE(hereRan) << "this side finishes before the other's exception comes";
}

TEST(SideBySide, withoutAThreadBothSidesRunHereOneAfterTheOther)
{
    if (!tarvo::test::kCanLeaveNoRoomForThreads)
        GTEST_SKIP() << "the sanitizers' address space does not fit under the limit";
    const auto bothHere = [] {
        if (!tarvo::test::leaveNoRoomForThreads())
            return 2;
        std::vector<int> order;
        std::vector<std::thread::id> threads;
        runSideBySide(
            true,
            [&] {
                order.push_back(1);
                threads.push_back(std::this_thread::get_id());
            },
            [&] {
                order.push_back(2);
                threads.push_back(std::this_thread::get_id());
            });
        const std::vector<std::thread::id> expected(2, std::this_thread::get_id());
        return order == std::vector<int>{1, 2} && threads == expected ? 0 : 1;
    };
    EXPECT_EXIT(std::_Exit(bothHere()), ::testing::ExitedWithCode(0), "");
}
