// The single-instance check's lock, one body for each platform's: a named
// mutex of the session on Windows, a lock file in the runtime folder on Linux.
#include "support/SessionMutex.h"

#include "fixtures/ChildProcess.h"
#include "fixtures/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace tarvo;
using tarvo::test::ChildProcess;

TEST(SessionMutex, theFirstCopyMakesItAndTheNextOnesFindItUntilTheFirstEnds)
{
    tarvo::test::TempDir runtime;
    // Named for this run: Windows' names are the whole session's.
    const std::string name =
        "TarvoTestMutex" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
    const std::string folder = runtime.path().string();
    ChildProcess first({tarvo::test::testChildProgram(), "hold-mutex", name, folder, runtime.file("go")},
                       runtime.file("first.out"));
    ASSERT_TRUE(tarvo::test::waitForLine(runtime.file("first.out"), "created"));
    EXPECT_EQ(SessionMutex(name, folder).state(), SessionMutex::State::AlreadyExisted);

    first.kill(9);
    first.wait();
    SessionMutex mine(name, folder);
    EXPECT_EQ(mine.state(), SessionMutex::State::Created) << "a killed copy leaves nothing behind";
    EXPECT_EQ(SessionMutex(name, folder).state(), SessionMutex::State::AlreadyExisted)
        << "a second look from the same process finds it too";
}
