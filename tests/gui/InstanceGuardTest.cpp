#include "QtPrinters.h"
#include "gui/InstanceGuard.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>
#include <QWidget>

#include <gtest/gtest.h>

#include <unistd.h>

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

TEST(InstanceGuard, theSocketLivesInTheSessionsRuntimeFolderSoOtherSessionsRunTheirOwnCopy)
{
    EXPECT_EQ(InstanceGuard::nameIn("/run/user/1000"), "/run/user/1000/TarvoSynchronizerMutex");
    EXPECT_EQ(InstanceGuard::nameIn(""), "TarvoSynchronizerMutex-" + QString::number(::getuid()));

    QTemporaryDir mine;
    QTemporaryDir otherSession;
    InstanceGuard first(InstanceGuard::nameIn(mine.path()));
    ASSERT_FALSE(first.anotherCopyRaised("Tarvo"));
    EXPECT_TRUE(QFileInfo::exists(mine.path() + "/TarvoSynchronizerMutex"));
    QWidget window;
    window.setWindowTitle("Tarvo");
    first.setWindow(&window);

    InstanceGuard other(InstanceGuard::nameIn(otherSession.path()));
    EXPECT_FALSE(other.anotherCopyRaised("Tarvo"));
    EXPECT_TRUE(other.listening());
    InstanceGuard same(InstanceGuard::nameIn(mine.path()));
    EXPECT_TRUE(same.anotherCopyRaised("Tarvo"));
}
