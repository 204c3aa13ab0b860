#include "FakeUpdateRun.h"
#include "OpenedUrls.h"
#include "WindowFixture.h"

#include "app/AboutText.h"
#include "app/Agreement.h"
#include "app/WorkingFolder.h"
#include "gui/AboutBox.h"
#include "gui/AgreementDialog.h"
#include "gui/ProgressDialog.h"
#include "fixtures/TempDir.h"
#include "text/TagExpander.h"

#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QScreen>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeView>
#include <QSignalSpy>
#include <QTest>

#include <ctime>
#include <filesystem>
#include <utime.h>

using namespace tarvo;
using tarvo::test::WindowFixture;

namespace {

class AuxiliaryWindowsTest : public WindowFixture {
protected:
    // Clicks the button labelled `text` in whatever window opens next.
    void clickInNextWindow(const QString& text)
    {
        m_watcher.onOtherWindow([this, text](QWidget* modal) {
            m_seenTitle = modal->windowTitle();
            for (QAbstractButton* button : modal->findChildren<QAbstractButton*>())
                if (button->text() == text)
                    button->click();
        });
    }

    QString m_seenTitle;
};

std::time_t utcNoon()
{
    std::tm noon{};
    noon.tm_year = 2026 - 1900;
    noon.tm_mon = 11;
    noon.tm_mday = 6;
    noon.tm_hour = 12;
    return ::timegm(&noon);
}

} // namespace

TEST_F(AuxiliaryWindowsTest, acceptedAgreementIsCopiedUnderLogAndNotShownAgain)
{
    m_ws.writeWork(".eua", "Terms of use\r\nCaf\xE9");
    clickInNextWindow("&Accept");
    ASSERT_TRUE(open());
    EXPECT_EQ(m_seenTitle, "Window Test");
    EXPECT_TRUE(window().isVisible());
    EXPECT_EQ(window().counter()->text(), "0");
    EXPECT_EQ(test::Workspace::read(m_ws.work("log/.eua")), "Terms of use\r\nCaf\xE9");
    EXPECT_FALSE(Agreement(m_app->folder(), "").needsShowing());

    const Agreement terms(m_app->folder(), "");
    gui::AgreementDialog agreement(terms, "Window Test");
    EXPECT_EQ(agreement.agreementText(), QString::fromUtf8("Terms of use\nCaf\xC3\xA9"));
}

TEST_F(AuxiliaryWindowsTest, ctrlEndReachesTheEndOfALongAgreementWhereverTheFocusIs)
{
    std::string clauses;
    for (int i = 0; i < 400; ++i)
        clauses += "Clause " + std::to_string(i) + "\r\n";
    m_ws.writeWork("long.eua", clauses);
    const Agreement terms(WorkingFolder("."), "long");
    gui::AgreementDialog agreement(terms, "Window Test");
    agreement.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&agreement));
    agreement.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&agreement));
    auto* text = agreement.findChild<QPlainTextEdit*>();
    QScrollBar* bar = text->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    QList<QWidget*> focusable{text};
    for (QAbstractButton* button : agreement.findChildren<QAbstractButton*>())
        focusable << button;
    for (QWidget* widget : focusable) {
        widget->setFocus();
        QTest::keyClick(widget, Qt::Key_Home, Qt::ControlModifier);
        EXPECT_EQ(bar->value(), 0) << widget->accessibleName().toStdString();
        QTest::keyClick(widget, Qt::Key_End, Qt::ControlModifier);
        EXPECT_EQ(bar->value(), bar->maximum()) << widget->accessibleName().toStdString();
    }
}

TEST_F(AuxiliaryWindowsTest, rejectedAgreementClosesTheWindowAndIsAskedAgain)
{
    m_ws.writeWork(".eua", "Terms of use");
    m_ws.writeWork("synuser.ini", "[Main]\r\nLastCountry=US\r\n");
    clickInNextWindow("&Reject");
    ASSERT_TRUE(open());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window().isVisible(); }));
    EXPECT_FALSE(test::Workspace::exists(m_ws.work("log/.eua")));
    EXPECT_TRUE(Agreement(m_app->folder(), "").needsShowing());
    // The person is told why the program closes.
    ASSERT_EQ(m_watcher.texts(), (std::vector<QString>{Agreement::kRejectedMessage}));
    EXPECT_EQ(m_watcher.boxes[0].icon, QMessageBox::Information);
    // The filter was never shown, so the remembered one stays.
    m_app->shutdown();
    EXPECT_NE(test::Workspace::read(m_ws.work("synuser.ini")).find("LastCountry=US\r\n"), std::string::npos);
}

TEST_F(AuxiliaryWindowsTest, aboutShowsVersionProfileAndThePhonebookDate)
{
    ASSERT_TRUE(open("-c synconfig.ini"));
    test::ScopedEnv utc("TZ", "UTC");
    ::tzset();
    const std::time_t noon = utcNoon();
    const utimbuf times{noon, noon};
    ASSERT_EQ(::utime(m_ws.dialer("pbook.txt").c_str(), &times), 0);

    gui::AboutBox about(m_app->tags(), m_app->dialerHome(), QPixmap());
    // The build's "major.minor.build", the version `tarvo-sync --version` shows too.
    const QStringList version = QString::fromLatin1(TARVO_PROJECT_VERSION).split('.');
    ASSERT_EQ(version.size(), 3);
    EXPECT_EQ(about.versionLine(), "Tarvo Windows CE Synchronizer" + version[0] + "." + version[1] + "  [Build " +
                                       version[2] + "]");
    EXPECT_EQ(about.profileLine(), "Profile 42 Phonebook 7");
    EXPECT_EQ(about.phonebookLine(), "Phonebook updated Sun Dec 06 12:00:00 2026\n");
    EXPECT_EQ(about.windowTitle(), "Tarvo Windows CE Synchronizer");

    gui::AboutBox noPhonebook(m_app->tags(), m_ws.dir().file("nowhere"), QPixmap());
    EXPECT_TRUE(noPhonebook.phonebookLine().isEmpty());

    // Both Help items open it.
    int shown = 0;
    m_watcher.onOtherWindow([&](QWidget* modal) {
        if (qobject_cast<gui::AboutBox*>(modal)) {
            ++shown;
            modal->findChild<QDialogButtonBox*>()->buttons().first()->click();
        }
    });
    for (QAction* action : window().findChild<QMenuBar*>()->findChildren<QAction*>())
        if (action->text().startsWith("About") || action->text() == "&About dialer...")
            action->trigger();
    EXPECT_EQ(shown, 2);
}

TEST(AboutBoxDate, isTwentyFourCharactersWithTwoDigitDayInEnglish)
{
    test::ScopedEnv utc("TZ", "UTC");
    ::tzset();
    EXPECT_EQ(AboutText::phonebookDateText(utcNoon() - 5 * 86400 + 3661),
              "Phonebook updated Tue Dec 01 13:01:01 2026\n");
}

namespace {

QAction* menuItem(QWidget& window, const QString& text)
{
    for (QAction* action : window.findChild<QMenuBar*>()->findChildren<QAction*>())
        if (action->text() == text)
            return action;
    return nullptr;
}

} // namespace

TEST_F(AuxiliaryWindowsTest, updatePhonebookRunsTheProgressWindowAndThenClearsTheFilters)
{
    test::FakeUpdateRun run([](UpdateObserver& observer, const std::atomic<bool>&) {
        observer.text("Checking for updates", UpdateTextTarget::Status);
    });
    ASSERT_TRUE(open({}, run.runner()));
    choose(window().countryBox(), "United States");
    ASSERT_FALSE(pops(SelectionModel::List::Main).isEmpty());

    QString status;
    bool inCorner = true;
    m_watcher.onOtherWindow([&](QWidget* modal) {
        auto* progress = qobject_cast<gui::ProgressDialog*>(modal);
        if (!progress)
            return;
        inCorner = progress->frameGeometry().right() ==
                   progress->screen()->availableGeometry().right() - gui::ProgressDialog::kCornerMargin;
        // Not auto-closing: the window waits with "OK" for the person.
        (void)QTest::qWaitFor([&] { return progress->button()->text() == "OK"; });
        status = progress->statusLabel()->text();
        progress->button()->click();
    });
    QAction* update = menuItem(window(), "&Update Phonebook");
    ASSERT_NE(update, nullptr);
    ASSERT_TRUE(update->isEnabled());
    update->trigger();
    EXPECT_EQ(status, "Checking for updates");
    EXPECT_FALSE(inCorner);
    EXPECT_EQ(run.starts, 1);
    // Cleared: the whole phonebook, and the status says how the run ended.
    EXPECT_EQ(window().countryBox()->currentIndex(), -1);
    EXPECT_EQ(pops(SelectionModel::List::Main).size(), 9);
    EXPECT_TRUE(window().mainList()->updatesEnabled());
    EXPECT_EQ(window().statusLine()->text(), "Phonebook update: Checking for updates");
}

TEST_F(AuxiliaryWindowsTest, withoutAnUpdateServiceTheMenuItemIsOffAndHelpOpensTheHelpPageOrSaysItIsMissing)
{
    test::OpenedUrls opened;
    ASSERT_TRUE(open());
    EXPECT_FALSE(menuItem(window(), "&Update Phonebook")->isEnabled());
    QAction* contents = menuItem(window(), "&Contents");
    ASSERT_NE(contents, nullptr);
    EXPECT_EQ(contents->shortcut(), QKeySequence(Qt::Key_F1));

    contents->trigger();
    EXPECT_TRUE(opened.urls.isEmpty());
    const QString missing = "The help page is not installed: " + QString::fromStdString(m_ws.work("english.htm"));
    ASSERT_EQ(m_watcher.texts(), (std::vector<QString>{missing}));
    EXPECT_EQ(window().statusLine()->text(), missing);

    m_ws.writeWork("english.htm", "<html></html>");
    window().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window()));
    QTest::keyClick(&window(), Qt::Key_F1);
    ASSERT_EQ(opened.urls.size(), 1);
    EXPECT_EQ(opened.urls[0].toLocalFile().toStdString(), m_ws.work("english.htm"));
    EXPECT_EQ(m_watcher.boxes.size(), 1U);
}

TEST_F(AuxiliaryWindowsTest, logosFromTheCurrentFolderReplaceTheDrawingsAndReachTheAboutBox)
{
    QImage top(30, 20, QImage::Format_RGB32);
    top.fill(Qt::red);
    ASSERT_TRUE(top.save(QString::fromStdString(m_ws.work("logo1.bmp")), "BMP"));
    QImage bottom(40, 12, QImage::Format_RGB32);
    bottom.fill(Qt::green);
    ASSERT_TRUE(bottom.save(QString::fromStdString(m_ws.work("logo2.bmp")), "BMP"));
    m_ws.writeWork("TarvoSynchronizer.ico", "not an icon");
    ASSERT_TRUE(open());

    QList<QSize> sizes;
    for (const char* name : {"Synchronizer logo", "Company logo"})
        for (QLabel* label : window().findChildren<QLabel*>())
            if (label->accessibleName() == name)
                sizes << label->pixmap().size();
    EXPECT_EQ(sizes, (QList<QSize>{QSize(30, 20), QSize(40, 12)}));
    // An icon file that is no icon keeps the drawn one.
    EXPECT_FALSE(window().windowIcon().availableSizes().isEmpty());

    gui::AboutBox about(m_app->tags(), m_app->dialerHome(), window().bottomLogoFromFile());
    const QLabel* picture = nullptr;
    for (QLabel* label : about.findChildren<QLabel*>())
        if (label->accessibleName() == "Logo")
            picture = label;
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->pixmap().size(), QSize(40, 12));
}
