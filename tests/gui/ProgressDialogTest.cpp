#include "FakeUpdateRun.h"
#include "OpenedUrls.h"
#include "QtPrinters.h"
#include "gui/ProgressDialog.h"
#include "fixtures/TempDir.h"
#include "updater/UpdateService.h"

#include <QDesktopServices>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

using namespace tarvo;
using tarvo::gui::ProgressDialog;
using namespace tarvo::test;

namespace {

bool waitUntil(const std::function<bool()>& condition)
{
    return QTest::qWaitFor(condition, 5000);
}

} // namespace

TEST(ProgressDialog, showsTheRunsTextsAndProgressAndOffersOkAtTheEnd)
{
    std::atomic<bool> go{false};
    FakeUpdateRun run([&](UpdateObserver& observer, const std::atomic<bool>&) {
        while (!go)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        observer.text("first status", UpdateTextTarget::Status);
        observer.text("Downloading pbook.txt", UpdateTextTarget::Status);
        observer.text("Phonebook update", UpdateTextTarget::Caption);
        observer.progress(0, 0); // shows the bar, leaves it where it is
        observer.progress(50, 200);
        observer.progress(199, 200);
    });
    ProgressDialog dialog(false, false, run.runner());
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Updating Application");
    EXPECT_EQ(dialog.statusLabel()->text(), "Initializing...");
    EXPECT_EQ(dialog.button()->text(), "Cancel");
    EXPECT_FALSE(dialog.progressBar()->isVisible());
    ASSERT_TRUE(waitUntil([&] { return run.starts == 1; }));

    go = true;
    ASSERT_TRUE(waitUntil([&] { return dialog.button()->text() == "OK"; }));
    EXPECT_EQ(dialog.statusLabel()->text(), "Downloading pbook.txt");
    EXPECT_EQ(dialog.windowTitle(), "Phonebook update");
    EXPECT_TRUE(dialog.progressBar()->isVisible());
    EXPECT_EQ(dialog.progressBar()->value(), 99);
    EXPECT_TRUE(dialog.isVisible());

    // The button, now "OK", closes with the OK result and stops the service.
    QSignalSpy finished(&dialog, &QDialog::finished);
    QTest::mouseClick(dialog.button(), Qt::LeftButton);
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished[0][0].toInt(), QDialog::Accepted);
    EXPECT_EQ(run.cancels, 1);
}

TEST(ProgressDialog, closesByItselfWithResultZeroWhenAskedTo)
{
    FakeUpdateRun run([](UpdateObserver& observer, const std::atomic<bool>&) { observer.progress(10, 100); });
    ProgressDialog dialog(true, false, run.runner());
    QSignalSpy finished(&dialog, &QDialog::finished);
    dialog.show();
    ASSERT_TRUE(waitUntil([&] { return finished.count() == 1; }));
    EXPECT_EQ(finished[0][0].toInt(), 0);
    EXPECT_FALSE(dialog.isVisible());
}

TEST(ProgressDialog, coalescesAFloodOfProgressAndStillShowsTheLastReport)
{
    constexpr std::uint32_t kTotal = 200000;
    FakeUpdateRun run([](UpdateObserver& observer, const std::atomic<bool>&) {
        for (std::uint32_t done = 0; done <= kTotal; ++done)
            observer.progress(done, kTotal);
    });
    ProgressDialog dialog(false, false, run.runner());
    QSignalSpy values(dialog.progressBar(), &QProgressBar::valueChanged);
    dialog.show();
    ASSERT_TRUE(waitUntil([&] { return dialog.button()->text() == "OK"; }));
    EXPECT_EQ(dialog.progressBar()->value(), 100);
    // A hundred different percentages were reported; the window took a few.
    EXPECT_LT(values.count(), 60);
}

TEST(ProgressDialog, reportsAfterTheWindowClosedReachNothingAndAreFreed)
{
    std::atomic<bool> closed{false};
    FakeUpdateRun run([&](UpdateObserver& observer, const std::atomic<bool>& keepGoing) {
        while (keepGoing)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        while (!closed)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        observer.text(std::string(4096, 'x'), UpdateTextTarget::Status);
        observer.text("late caption", UpdateTextTarget::Caption);
        observer.progress(5, 10);
    });
    auto dialog = std::make_unique<ProgressDialog>(false, false, run.runner());
    dialog->show();
    ASSERT_TRUE(waitUntil([&] { return run.starts == 1; }));
    QSignalSpy finished(dialog.get(), &QDialog::finished);
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished[0][0].toInt(), QDialog::Rejected);
    EXPECT_EQ(run.cancels, 1);

    ASSERT_FALSE(run.lastObserver.isNull());
    dialog.reset();
    closed = true;
    run.join();
    // The late reports are delivered to no window (the sanitizers see any
    // use of the destroyed one), and what carried them goes away after the
    // end report.
    EXPECT_TRUE(QTest::qWaitFor([&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return run.lastObserver.isNull();
    }));
}

TEST(ProgressDialog, aRefusedStartLeavesInitializingAndClosingStillCancelsTheRunningUpdate)
{
    std::atomic<bool> release{false};
    FakeUpdateRun run([&](UpdateObserver&, const std::atomic<bool>&) {
        while (!release)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    ProgressDialog first(false, false, run.runner());
    first.show();
    ASSERT_TRUE(waitUntil([&] { return run.starts == 1; }));

    ProgressDialog second(false, false, run.runner());
    second.show();
    QTest::qWait(50);
    EXPECT_EQ(run.starts, 1);
    EXPECT_FALSE(second.runStarted());
    EXPECT_EQ(second.statusLabel()->text(), "Initializing...");
    second.close();
    EXPECT_EQ(run.cancels, 1);
    EXPECT_EQ(second.summary(), "not started, another update is running") << "not \"Initializing...\"";

    release = true;
    ASSERT_TRUE(waitUntil([&] { return first.button()->text() == "OK"; }));
}

TEST(ProgressDialog, shiftDoubleClickOpensTheUpdateLogAndTheCornerIsFiveInside)
{
    FakeUpdateRun run([](UpdateObserver&, const std::atomic<bool>&) {});
    OpenedUrls opened;
    ProgressDialog dialog(false, true, run.runner());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));

    const QRect area = dialog.screen()->availableGeometry();
    EXPECT_EQ(dialog.frameGeometry().right(), area.right() - ProgressDialog::kCornerMargin);
    EXPECT_EQ(dialog.frameGeometry().bottom(), area.bottom() - ProgressDialog::kCornerMargin);

    QTest::mouseDClick(&dialog, Qt::LeftButton);
    EXPECT_TRUE(opened.urls.isEmpty());
    QTest::mouseDClick(&dialog, Qt::LeftButton, Qt::ShiftModifier);
    ASSERT_EQ(opened.urls.size(), 1);
    EXPECT_EQ(opened.urls[0].toLocalFile(), "/work/folder/log/update.log") << opened.urls[0].toString().toStdString();
}

TEST(ProgressDialog, aFailedRunShowsTheLogsReasonAndAButtonThatOpensTheLog)
{
    test::TempDir dir;
    std::filesystem::create_directory(dir.path() / "log");
    dir.write("log/update.log", "\r\n** Sun Dec 06 19:48:22 2026\r\n** Using http://127.0.0.1:9\r\n\r\n(42.ver)\r\n"
                                "Unable to get http://127.0.0.1:9/verce/42.ver\r\nCouldn't connect to server\r\n"
                                "Update process failed -2\r\n");
    FakeUpdateRun run([](UpdateObserver& observer, const std::atomic<bool>&) {
        observer.text(UpdateService::kFailedText, UpdateTextTarget::Status);
    });
    OpenedUrls opened;
    ProgressDialog dialog(false, false, run.runner(dir.file("log/update.log")));
    dialog.show();
    ASSERT_TRUE(waitUntil([&] { return dialog.button()->text() == "OK"; }));
    EXPECT_TRUE(dialog.reasonLabel()->isVisible());
    EXPECT_EQ(dialog.reasonLabel()->text(), "Unable to get http://127.0.0.1:9/verce/42.ver\nCouldn't connect to server");
    EXPECT_EQ(dialog.summary(), "Application update failed. Unable to get http://127.0.0.1:9/verce/42.ver; "
                                "Couldn't connect to server");
    ASSERT_TRUE(dialog.logButton()->isVisible());
    dialog.logButton()->click();
    ASSERT_EQ(opened.urls.size(), 1);
    EXPECT_EQ(opened.urls[0].toLocalFile().toStdString(), dir.file("log/update.log"));
}

TEST(ProgressDialog, aRunThatWentWellShowsNoReason)
{
    FakeUpdateRun run([](UpdateObserver& observer, const std::atomic<bool>&) {
        observer.text("The Application is up to date.", UpdateTextTarget::Status);
    });
    ProgressDialog dialog(false, false, run.runner());
    dialog.show();
    ASSERT_TRUE(waitUntil([&] { return dialog.button()->text() == "OK"; }));
    EXPECT_FALSE(dialog.reasonLabel()->isVisible());
    EXPECT_EQ(dialog.summary(), "The Application is up to date.");
}
