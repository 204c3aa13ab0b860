// RapiDevice against a handheld scripted byte by byte in this process: the
// failures a real handheld can answer with, at the calls where they hurt,
// and the command layout each OS version gets. The answers are written out
// by hand from docs/ce-protocol.md (layout 2: last error, value, data).
#include "device/RapiDevice.h"

#include "ceproto/CeWin32.h"
#include "device/DeviceLink.h"
#include "fixtures/RecordingFrontEnd.h"
#include "fixtures/ScriptedHandheld.h"
#include "fixtures/TempDir.h"

#include <gtest/gtest.h>

namespace tarvo {
namespace {

using namespace std::chrono_literals;
using namespace test;

constexpr const char* kPhonebook = "\\Program Files\\Tarvo\\cepbook.txt";

struct Scripted {
    ScriptedHandheld handheld;
    RapiDevice device;
    RecordingFrontEnd ui;
    DeviceLink link{device, ui};
    TempDir local;

    Scripted(std::uint32_t major, std::uint32_t minor) : handheld(major, minor), device(handheld.connector())
    {
        device.setAnswerTimeout(100ms);
    }
};

TEST(RapiDeviceScripted, aSearchThatDropsGoesSilentOrIsDeniedIsAFailedCopyNotAMissingFile)
{
    struct Case {
        const char* what;
        std::vector<Bytes> answers;
        bool drop;
        SyncResult expected;
    };
    const Case cases[] = {
        {"the link drops", {}, true, SyncResult::DeviceFileUnavailable},
        {"no answer in time", {}, false, SyncResult::DeviceFileUnavailable},
        {"access denied", {le({5, ce::kInvalidHandle, 0})}, false, SyncResult::DeviceFileUnavailable},
        {"file not found", {le({2, ce::kInvalidHandle, 0})}, false, SyncResult::DeviceFileMissing},
    };
    for (const Case& c : cases) {
        Scripted s(5, 1);
        s.local.write("cepbook.txt", "the desktop copy");
        s.handheld.script(c.answers, c.drop);
        EXPECT_EQ(s.link.readFile(kPhonebook, s.local.file("cepbook.txt")), c.expected) << c.what;
        EXPECT_EQ(s.local.read("cepbook.txt"), "the desktop copy") << c.what;
        EXPECT_FALSE(s.device.connected()) << c.what;
    }
}

TEST(RapiDeviceScripted, aWriteTheHandheldRefusesIsClosedThenDeletedAndNeverRenamed)
{
    Scripted s(5, 1);
    s.local.write("cepbook.txt", "the new phonebook");
    // The write is sent with the close; its answer says the disk is full.
    s.handheld.script({le({0, 0x44}), le({ce::kErrorDiskFull, 0, 0}), le({0, 1}), le({0, 1})});
    ASSERT_EQ(s.link.connect(), SyncResult::Done);
    EXPECT_EQ(s.link.writeFile(s.local.file("cepbook.txt"), kPhonebook), SyncResult::DeviceFileUnavailable);
    EXPECT_EQ(s.handheld.requests(), (std::vector<std::string>{"CreateFile cepbook.txt.partial", "WriteFile",
                                                               "CloseHandle", "DeleteFile cepbook.txt.partial"}));
    EXPECT_EQ(s.device.openHandles(), 0u);
    s.link.disconnect();
}

TEST(RapiDeviceScripted, eachOsVersionGetsItsCommandLayout)
{
    // FindFirstFile is 0x00 in the older layout, 0x11 from OS 5.1 on.
    struct Case {
        std::uint32_t major;
        std::uint32_t minor;
        std::uint32_t command;
        Bytes notFound;
    };
    const Case cases[] = {{4, 20, 0x00, le({0, 2, ce::kInvalidHandle})},
                          {5, 0, 0x00, le({0, 2, ce::kInvalidHandle})},
                          {5, 1, 0x11, le({2, ce::kInvalidHandle})},
                          {6, 0, 0x11, le({2, ce::kInvalidHandle})},
                          {7, 0, 0x11, le({2, ce::kInvalidHandle})}};
    for (const Case& c : cases) {
        Scripted s(c.major, c.minor);
        s.handheld.script({c.notFound});
        ASSERT_EQ(s.link.connect(), SyncResult::Done);
        EXPECT_EQ(s.device.findFile(u"\\nothing"), ce::kErrorFileNotFound) << c.major << "." << c.minor;
        EXPECT_EQ(s.handheld.numbers(), std::vector<std::uint32_t>{c.command}) << c.major << "." << c.minor;
        s.link.disconnect();
    }
}

TEST(RapiDeviceScripted, noHubIsRefusedAtOnce)
{
    TempDir dir;
    RapiDevice device(dir.file("no-hub.sock"));
    RecordingFrontEnd ui;
    DeviceLink link(device, ui);
    EXPECT_EQ(link.connect(), SyncResult::NoConnection);
    EXPECT_EQ(link.refusal(), SessionRefusal::NoManager);
    EXPECT_EQ(ui.pumps, 0);
}

} // namespace
} // namespace tarvo
