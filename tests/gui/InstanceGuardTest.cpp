#include "QtPrinters.h"
#include "gui/InstanceGuard.h"

#include <QCoreApplication>
#include <QTest>
#include <QUuid>
#include <QWidget>

#include <gtest/gtest.h>

using tarvo::gui::InstanceGuard;

namespace {

QString uniqueName()
{
    return QStringLiteral("TarvoTest-") + QUuid::createUuid().toString(QUuid::Id128);
}

} // namespace

TEST(InstanceGuard, aSecondCopyRaisesTheFirstCopysMinimisedWindowAndEnds)
{
    const QString name = uniqueName();
    InstanceGuard first(name);
    EXPECT_FALSE(first.anotherCopyRaised("Tarvo"));
    ASSERT_TRUE(first.listening());

    QWidget window;
    window.setWindowTitle("Tarvo");
    window.showMinimized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.isMinimized(); }));
    first.setWindow(&window);

    InstanceGuard second(name);
    EXPECT_TRUE(second.anotherCopyRaised("Tarvo"));
    EXPECT_FALSE(window.isMinimized());
    EXPECT_FALSE(second.listening());
}

TEST(InstanceGuard, aSecondCopyRunsWhenNoWindowOfItsTitleAnswers)
{
    const QString name = uniqueName();
    InstanceGuard first(name);
    ASSERT_FALSE(first.anotherCopyRaised("Tarvo"));
    QWidget window;
    window.setWindowTitle("Another profile");
    first.setWindow(&window);

    InstanceGuard second(name);
    EXPECT_FALSE(second.anotherCopyRaised("Tarvo"));
    // Still starting: no window yet.
    first.setWindow(nullptr);
    InstanceGuard third(name);
    EXPECT_FALSE(third.anotherCopyRaised("Another profile"));
}

TEST(InstanceGuard, aNameLeftBehindByACopyThatDiedIsTakenOver)
{
    const QString name = uniqueName();
    {
        // A socket file nobody listens on any more.
        QLocalServer dead;
        ASSERT_TRUE(dead.listen(name));
        dead.setSocketOptions(QLocalServer::UserAccessOption);
        const QString path = dead.fullServerName();
        dead.close();
        QFile stale(path);
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    }
    InstanceGuard guard(name);
    EXPECT_FALSE(guard.anotherCopyRaised("Tarvo"));
    EXPECT_TRUE(guard.listening());
}
