#include "WindowFixture.h"

#include "gui/PopListModel.h"
#include "gui/SearchableComboBox.h"
#include "gui/WindowPlacement.h"

#include <QApplication>
#include <QCompleter>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QTest>
#include <QTreeView>

using namespace tarvo;
using tarvo::test::WindowFixture;
using List = SelectionModel::List;

namespace {

class WindowUsabilityTest : public WindowFixture {
protected:
    // Keys as a person types them, to whatever has the focus.
    static void type(const QString& text) { QTest::keyClicks(QApplication::focusWidget(), text); }
    static void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    }
    void activate()
    {
        window().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window()));
    }
};

} // namespace

TEST_F(WindowUsabilityTest, aWindowStoredWiderThanTheScreenComesBackWholeWithItsFilterAndIsRememberedAgain)
{
    // A City column once dragged to the screen's edge, a window from a
    // larger monitor above and left of this one; the defined filter texts
    // as something else wrote them.
    const std::string texts = "Country=\"United States\"\r\nRegion= Texas\r\nCity=Springfield\r\nAreaCode=415\r\n";
    m_ws.writeWork("synuser.ini", "[Main]\r\nColWidth=793,100,0,0\r\nWindow=-900,-400,3052,1900\r\n"
                                  "Splitter=2900,90,1200\r\n" + texts + "LastCountry=US\r\nLastRegion=TX\r\n");
    ASSERT_TRUE(open());
    const QRect area = window().screen()->availableGeometry();
    EXPECT_TRUE(area.contains(window().frameGeometry())) << window().frameGeometry().width() << " on " << area.width();
    EXPECT_LE(window().mainList()->header()->sectionSize(gui::PopListModel::kCityColumn),
              gui::WindowPlacement::widestColumn(area));
    for (QWidget* control : std::initializer_list<QWidget*>{window().countryBox(), window().stateBox(),
                                                           button("Clear"), window().handheldList(),
                                                           button("Save"), button("Exit"), window().statusLine()}) {
        const QRect shown(control->mapTo(&window(), QPoint(0, 0)), control->size());
        EXPECT_TRUE(window().rect().contains(shown)) << control->accessibleName().toStdString();
    }
    // Resizable, and the lists take the room.
    EXPECT_EQ(window().maximumWidth(), QWIDGETSIZE_MAX);
    const int listWidth = window().mainList()->width();
    window().resize(window().minimumSizeHint());
    ASSERT_TRUE(QTest::qWaitFor([&] { return window().mainList()->width() < listWidth; }));

    // The last filter is there from the start.
    EXPECT_EQ(window().countryBox()->currentText(), "United States");
    EXPECT_EQ(window().stateBox()->currentText(), "Texas");
    EXPECT_EQ(pops(List::Main), (QStringList{"P2", "C1", "P4", "P1", "P7"}));

    choose(window().cityBox(), "Dallas TX");
    window().setGeometry(20, 30, 700, 480);
    QTest::mouseClick(button("Exit"), Qt::LeftButton);
    m_app->shutdown();
    const std::string settings = test::Workspace::read(m_ws.work("synuser.ini"));
    EXPECT_NE(settings.find("Window=20,30,700,480\r\n"), std::string::npos) << settings;
    EXPECT_NE(settings.find(texts + "LastCountry=US\r\nLastRegion=TX\r\nLastCity=Dallas\r\nLastCityRegion=TX\r\n"),
              std::string::npos)
        << settings;
    EXPECT_EQ(settings.find("ColWidth=793"), std::string::npos) << settings;
    EXPECT_NE(settings.find("Splitter="), std::string::npos) << settings;
}

TEST(WindowPlacement, aWindowStoredPastTheRightAndBottomEdgesComesBackInside)
{
    const QRect area(0, 0, 1600, 1000);
    const QMargins frame(4, 32, 4, 4);
    const QRect placed = gui::WindowPlacement::fit({5000, 4000, 800, 600}, frame, {400, 300}, area);
    EXPECT_EQ(placed.size(), QSize(800, 600));
    EXPECT_TRUE(area.contains(placed.marginsAdded(frame)));
    // Moved in only as far as the edges.
    EXPECT_EQ(placed.right() + frame.right(), area.right());
    EXPECT_EQ(placed.bottom() + frame.bottom(), area.bottom());
}

TEST_F(WindowUsabilityTest, typedChoicesTakeTheEntryThatMatchesWithBlanksAndAnyCaseAndEnterDoesNotSave)
{
    ASSERT_TRUE(open());
    QTest::keyClick(&window(), Qt::Key_C, Qt::AltModifier);
    ASSERT_EQ(QApplication::focusWidget(), window().countryBox());
    type("United States");
    press(Qt::Key_Return);
    EXPECT_EQ(window().countryBox()->currentText(), "United States");
    EXPECT_EQ(pops(List::Main).size(), 7);

    // Part of a name, in any case, blanks included: the box offers what
    // contains it, and Enter takes the first.
    QTest::keyClick(&window(), Qt::Key_Y, Qt::AltModifier);
    type("N J");
    QAbstractItemView* offered = window().cityBox()->completer()->popup();
    ASSERT_TRUE(QTest::qWaitFor([&] { return offered->isVisible(); }));
    EXPECT_EQ(offered->model()->rowCount(), 1);
    EXPECT_EQ(offered->model()->index(0, 0).data().toString(), "San Jose CA");
    press(Qt::Key_Return);
    EXPECT_FALSE(offered->isVisible());
    EXPECT_EQ(window().cityBox()->currentText(), "San Jose CA");
    EXPECT_EQ(pops(List::Main), (QStringList{"P5"}));

    // Text that matches nothing gives the choice back.
    type("Atlantis");
    press(Qt::Key_Return);
    EXPECT_EQ(window().cityBox()->currentText(), "San Jose CA");
    EXPECT_TRUE(m_watcher.boxes.empty()) << "Enter in a choice saved the handheld";
}

TEST(SearchableComboBox, bothPopupsStayWithinTwentyRowsOfThousandsOfEntries)
{
    gui::SearchableComboBox box("City", "All cities");
    QStringList cities;
    for (int i = 0; i < 2212; ++i)
        cities << QString("City %1").arg(i);
    box.setEntries(cities);
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    const int row = box.view()->sizeHintForRow(0);
    ASSERT_GT(row, 0);
    // Twenty rows and the popup's frame.
    const int bound = (gui::SearchableComboBox::kVisibleRows + 2) * row;

    box.showPopup();
    ASSERT_TRUE(QTest::qWaitFor([&] { return box.view()->isVisible(); }));
    EXPECT_LE(box.view()->height(), bound);
    box.hidePopup();

    box.setFocus();
    QTest::keyClicks(&box, "City 1");
    QAbstractItemView* offered = box.completer()->popup();
    ASSERT_TRUE(QTest::qWaitFor([&] { return offered->isVisible(); }));
    EXPECT_GT(offered->model()->rowCount(), gui::SearchableComboBox::kVisibleRows);
    EXPECT_LE(offered->height(), bound);
}

TEST_F(WindowUsabilityTest, aTypedCountryIsKeptWhenAMnemonicMovesOnAndAnEmptiedBoxMeansAll)
{
    ASSERT_TRUE(open());
    activate();
    QTest::keyClick(&window(), Qt::Key_C, Qt::AltModifier);
    type("United");
    QAbstractItemView* offered = window().countryBox()->completer()->popup();
    ASSERT_TRUE(QTest::qWaitFor([&] { return offered->isVisible(); }));
    // The open popup has the keyboard: Alt+S reaches it first.
    QTest::keyClick(offered, Qt::Key_S, Qt::AltModifier);
    EXPECT_FALSE(offered->isVisible());
    EXPECT_EQ(window().countryBox()->currentText(), "United States");
    EXPECT_EQ(pops(List::Main).size(), 7);

    QTest::keyClick(&window(), Qt::Key_C, Qt::AltModifier);
    press(Qt::Key_A, Qt::ControlModifier);
    press(Qt::Key_Backspace);
    press(Qt::Key_Tab);
    EXPECT_EQ(window().countryBox()->currentIndex(), -1);
    EXPECT_EQ(pops(List::Main).size(), 9);
}

TEST_F(WindowUsabilityTest, enterAtOpeningSynchronizes)
{
    ASSERT_TRUE(open());
    activate();
    ASSERT_EQ(QApplication::focusWidget(), window().mainList());
    press(Qt::Key_Return);
    EXPECT_EQ(m_watcher.texts(), (std::vector<QString>{"Synchronization with CE device completed successfully."}));
}

TEST_F(WindowUsabilityTest, exitSitsInTheOptionsMenu)
{
    ASSERT_TRUE(open());
    QAction* options = window().findChild<QMenuBar*>()->actions().value(1);
    ASSERT_EQ(options->text(), "&Options");
    const QList<QAction*> items = options->menu()->actions();
    const auto exit = std::find_if(items.begin(), items.end(), [](QAction* item) { return item->text() == "E&xit"; });
    ASSERT_NE(exit, items.end());
    (*exit)->trigger();
    EXPECT_FALSE(window().isVisible());
}

TEST_F(WindowUsabilityTest, rowsMoveByDoubleClickAndCtrlEnterLeaveByDeleteAndTheKeysOfTheMenusWork)
{
    ASSERT_TRUE(open());
    choose(window().countryBox(), "United States");
    choose(window().stateBox(), "Texas");

    QTreeView* main = window().mainList();
    const QModelIndex p1 = main->model()->index(static_cast<int>(pops(List::Main).indexOf("P1")), 0);
    // A double click as the desktop delivers it: a click, then the second press.
    clickRow(main, p1.row());
    QTest::mouseDClick(main->viewport(), Qt::LeftButton, Qt::NoModifier, main->visualRect(p1).center());
    EXPECT_EQ(pops(List::Handheld), (QStringList{"P1"}));
    EXPECT_TRUE(p1.data(gui::PopListModel::kOnHandheldRole).toBool());
    EXPECT_EQ(window().statusLine()->text(), "Added 1 POP to the handheld list; Save sends them to the handheld");

    selectPops(List::Main, {"P7", "P1"});
    main->setFocus();
    press(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(pops(List::Handheld), (QStringList{"P1", "P7"}));
    EXPECT_EQ(window().statusLine()->text(),
              "Added 1 POP to the handheld list (1 already there); Save sends them to the handheld");

    selectPops(List::Handheld, {"P1"});
    window().handheldList()->setFocus();
    press(Qt::Key_Delete);
    EXPECT_EQ(pops(List::Handheld), (QStringList{"P7"}));
    EXPECT_EQ(window().statusLine()->text(), "Removed 1 POP from the handheld list; Save takes them off the handheld");
    // Delete in the Main list takes a POP off the handheld too.
    selectPops(List::Main, {"P7"});
    main->setFocus();
    press(Qt::Key_Delete);
    EXPECT_TRUE(pops(List::Handheld).isEmpty());
    EXPECT_EQ(window().counter()->text(), "0");
    EXPECT_TRUE(m_watcher.boxes.empty()) << "a key in a list reached Save";

    // Every menu item has a mnemonic; Ctrl+S saves and Ctrl+Q leaves.
    for (QAction* menu : window().findChild<QMenuBar*>()->actions()) {
        EXPECT_TRUE(menu->text().contains('&')) << menu->text().toStdString();
        for (QAction* item : menu->menu()->actions()) {
            if (!item->isSeparator()) {
                EXPECT_TRUE(item->text().contains('&')) << item->text().toStdString();
            }
        }
    }
    EXPECT_FALSE(button("Move to handheld")->toolTip().isEmpty());
    EXPECT_FALSE(button("Move back")->toolTip().isEmpty());
    activate();
    QTest::keyClick(&window(), Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(m_watcher.texts(), (std::vector<QString>{"Synchronization with CE device completed successfully."}));
    EXPECT_EQ(window().statusLine()->text(), "Saved 0 POPs to the handheld");
    activate();
    QTest::keyClick(&window(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(window().isVisible());
}

TEST_F(WindowUsabilityTest, aHandheldThatDoesNotAnswerIsOfferedRetryAndClose)
{
    // The window's way of asking, as start-up uses it.
    m_watcher.answerNext(QMessageBox::Retry);
    EXPECT_TRUE(m_ui.askRetry("Unable to connect", SyncApp::kNoDeviceAdvice, "Tarvo"));
    m_watcher.answerNext(QMessageBox::Close);
    EXPECT_FALSE(m_ui.askRetry("Unable to connect", SyncApp::kNoDeviceAdvice, "Tarvo"));
    ASSERT_EQ(m_watcher.boxes.size(), 2U);
    EXPECT_EQ(m_watcher.boxes[0].icon, QMessageBox::Critical);
    EXPECT_EQ(m_watcher.boxes[0].details, SyncApp::kNoDeviceAdvice);
    EXPECT_EQ(m_watcher.boxes[0].defaultButton, QMessageBox::Close) << "Enter must not loop";
}
