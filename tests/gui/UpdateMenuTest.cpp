#include "WindowFixture.h"

#include "fixtures/PhonebookTestServer.h"
#include "gui/ProgressDialog.h"
#include "updater/UpdateService.h"

#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

using namespace tarvo;
using namespace tarvo::test;

namespace {

class UpdateMenuTest : public WindowFixture {};

QAction* updateItem(QWidget& window)
{
    for (QAction* action : window.findChild<QMenuBar*>()->findChildren<QAction*>())
        if (action->text() == "&Update Phonebook")
            return action;
    return nullptr;
}

} // namespace

// The menu item, the progress window and the application's update service
// together, against a phonebook server.
TEST_F(UpdateMenuTest, runsTheApplicationsUpdateServiceInTheProgressWindow)
{
    PhonebookTestServer server;
    ASSERT_TRUE(server.start());
    server.put("/verce/42.ver", "pbook.txt,,12,0\r\n");
    server.put("/pbook.txt.12", "newer phonebook");
    m_ws.writeWork("synconfig.ini", "[Profile]\r\nAppName=Window Test\r\nProfileID=42\r\n" + server.profileLines());
    gui::UpdateRunner runner{[this](UpdateObserver& observer) { return m_app->updateService().start(observer); },
                             [this] { m_app->updateService().cancel(); }};
    ASSERT_TRUE(open({}, runner));

    QString status;
    m_watcher.onOtherWindow([&](QWidget* modal) {
        auto* progress = qobject_cast<gui::ProgressDialog*>(modal);
        if (!progress)
            return;
        (void)QTest::qWaitFor([&] { return progress->button()->text() == "OK"; }, 20000);
        status = progress->statusLabel()->text();
        progress->button()->click();
    });
    QAction* update = updateItem(window());
    ASSERT_NE(update, nullptr);
    ASSERT_TRUE(update->isEnabled());
    update->trigger();

    EXPECT_EQ(status, "Application was downloaded successfully.");
    EXPECT_EQ(Workspace::read(m_ws.work("update/pbook.txt.12")), "newer phonebook");
    EXPECT_NE(Workspace::read(m_ws.work("log/update.log")).find("Update process succeeded"), std::string::npos);
    EXPECT_FALSE(m_app->updateService().running());
}
