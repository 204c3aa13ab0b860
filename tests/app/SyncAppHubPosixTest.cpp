// A real handheld reached through tarvo-cehub, which is a Linux program:
// the window asks for a locked handheld's password.
#include "app/SyncApp.h"

#include "fixtures/EmulatorRunner.h"
#include "fixtures/HandheldFolder.h"
#include "fixtures/HubRunner.h"
#include "fixtures/PopLine.h"
#include "fixtures/RecordingFrontEnd.h"
#include "fixtures/Workspace.h"

#include <gtest/gtest.h>

using namespace tarvo;
using namespace tarvo::test;

TEST(SyncAppRealHandheld, theWindowAsksForTheHandheldsPasswordUntilItIsRightOrDeclined)
{
    Workspace ws;
    ws.writeDialer("region.txt", "US,TX,Texas,Tex.\r\n");
    ws.writeDialer("country.txt", "US,1,United States,1\r\n");
    ws.writeDialer("pbook.txt", PopFile({PopLine("US", "TX", "Austin", "P1").str()}));
    ws.writeDialer("dr_areacode.txt", "US,512,1,G\r\n");
    HubRunner hub;
    HandheldFolder emulated;
    auto emulator = dock(hub, emulated, [](ceemu::EmulatorOptions& o) { o.password = "1234"; });
    ASSERT_TRUE(hub.waitForKnown(1));
    AppEnvironment environment = ws.environment();
    environment.deviceFolder.clear();
    environment.hubSocket = hub.socketPath();

    // Declined: the defined end, with the reason beneath it.
    {
        RecordingFrontEnd declining;
        SyncApp declined(declining, SyncApp::Kind::Window, environment);
        EXPECT_EQ(declined.startup({}), SyncApp::Startup::Failed);
        ASSERT_EQ(declining.boxes.size(), 1U);
        EXPECT_EQ(declining.boxes[0].text, "Unable to connect to the device, please check the connection.\n"
                                           "The handheld is locked with a password.");
    }
    {
        RecordingFrontEnd ui;
        ui.passwordAnswers = {"4321", "1234"};
        SyncApp app(ui, SyncApp::Kind::Window, environment);
        EXPECT_EQ(app.startup({}), SyncApp::Startup::Ready);
        EXPECT_EQ(ui.passwordPrompts,
                  (std::vector<std::string>{SyncApp::kDevicePasswordPrompt, SyncApp::kDevicePasswordAgain}));
        EXPECT_EQ(app.synchronize().result, SyncProcedure::Result::Done) << "the session keeps the password";
    }

    emulator->emulator().stop();
    ASSERT_TRUE(emulator->waitForEnd());
}
