#include "WindowFixture.h"

#include "gui/PopListModel.h"
#include "fixtures/PopLine.h"
#include "fixtures/WindowWorld.h"
#include "phonebook/PopList.h"
#include "phonebook/PopRecord.h"
#include "fixtures/TempDir.h"

#include <QApplication>
#include <QHeaderView>
#include <QIcon>
#include <filesystem>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>

using namespace tarvo;
using tarvo::test::WindowFixture;
using List = SelectionModel::List;

namespace {

class SelectionWindowTest : public WindowFixture {
protected:
    void click(const QString& accessibleName) { QTest::mouseClick(button(accessibleName), Qt::LeftButton); }
    QStringList items(const QComboBox* box)
    {
        QStringList texts;
        for (int i = 0; i < box->count(); ++i)
            texts << box->itemText(i);
        return texts;
    }
};

} // namespace

TEST_F(SelectionWindowTest, opensWithTheWholeBookTheHandheldsPopsMarkedAndTheCountriesByName)
{
    m_ws.writeHandheld("cepbook.txt", "#VER 1 - merged\r\n" + test::PopLine("US", "TX", "Dallas", "P7").str() + "\r\n");
    m_ws.writeDialer("cbook.txt", test::PopFile({test::PopLine("US", "TX", "Everywhere", "C9")
                                                     .set(PopColumn::ALL_CITY, "1")
                                                     .set(PopColumn::AREA_CODE, "888")
                                                     .set(PopColumn::PHONE_NUMBER, "5550109")
                                                     .str()}));
    ASSERT_TRUE(open());
    EXPECT_EQ(window().windowTitle(), "Window Test");
    EXPECT_EQ(items(window().countryBox()), (QStringList{"Canada", "Germany", "United States"}));
    EXPECT_EQ(window().countryBox()->currentIndex(), -1);
    EXPECT_TRUE(window().stateBox()->isEnabled());
    EXPECT_EQ(window().counter()->text(), "1");
    // The whole phonebook, the handheld's POP in both lists and marked in
    // the Main list, the all-city POP saying so.
    const QStringList main = pops(List::Main);
    EXPECT_EQ(main.size(), 9);
    EXPECT_EQ(pops(List::Handheld), (QStringList{"P7"}));
    const QAbstractItemModel* model = window().mainList()->model();
    auto cell = [&](const char* pop, int role) { return model->index(static_cast<int>(main.indexOf(pop)), 0).data(role); };
    EXPECT_EQ(cell("C9", Qt::DisplayRole).toString(), "Everywhere (all cities)");
    EXPECT_EQ(cell("P8", Qt::DisplayRole).toString(), "Berlin");
    EXPECT_TRUE(cell("P7", gui::PopListModel::kOnHandheldRole).toBool());
    EXPECT_FALSE(cell("P7", Qt::DecorationRole).value<QIcon>().isNull());
    EXPECT_FALSE(cell("P1", gui::PopListModel::kOnHandheldRole).toBool());
    EXPECT_TRUE(cell("P1", Qt::DecorationRole).value<QIcon>().isNull());
    EXPECT_EQ(window().statusLine()->text(), "9 POPs shown, 1 of them on the handheld");
    // The first firing after the window emptied the area code rebuilds nothing.
    QSignalSpy rebuilds(&window(), &gui::SelectionWindow::listsRebuilt);
    waitUntilArmed();
    EXPECT_EQ(rebuilds.count(), 0);
}

TEST_F(SelectionWindowTest, countryStateAndCityNarrowTheListsAndPopsWithoutRegionStayUnderAState)
{
    ASSERT_TRUE(open());
    waitUntilArmed();
    // A country chosen while "408" stands in the box: that country's 408
    // POPs, and the box is emptied.
    QTest::keyClicks(window().areaCodeEdit(), "408");
    choose(window().countryBox(), "United States");
    EXPECT_EQ(pops(List::Main), (QStringList{"P4", "P5"}));
    EXPECT_TRUE(window().areaCodeEdit()->text().isEmpty());
    EXPECT_EQ(items(window().stateBox()), (QStringList{"California", "Texas"}));
    EXPECT_EQ(items(window().cityBox()),
              (QStringList{"Anywhere ", "Austin TX", "Dallas TX", "Los Angeles CA", "San Jose CA"}));

    choose(window().stateBox(), "Texas");
    EXPECT_EQ(pops(List::Main), (QStringList{"P2", "C1", "P4", "P1", "P7"}));
    EXPECT_EQ(items(window().cityBox()), (QStringList{"Austin TX", "Dallas TX"}));
    EXPECT_EQ(rows(window().mainList()).first(), "Anywhere|(800) 5550102");

    choose(window().cityBox(), "Austin TX");
    EXPECT_EQ(pops(List::Main), (QStringList{"C1", "P4", "P1"}));

    // A country without states leaves the State box off.
    choose(window().countryBox(), "Germany");
    EXPECT_EQ(pops(List::Main), (QStringList{"P8"}));
    EXPECT_FALSE(window().stateBox()->isEnabled());

    // Clear shows the whole phonebook at once.
    click("Clear");
    EXPECT_EQ(window().countryBox()->currentIndex(), -1);
    EXPECT_EQ(window().mainList()->model()->rowCount(), 9);
    EXPECT_EQ(window().cityBox()->count(), 0);
}

TEST_F(SelectionWindowTest, areaCodeRebuildsOnceASecondAfterTheLastKeyButNotRightAfterACountryChoice)
{
    ASSERT_TRUE(open());
    waitUntilArmed();
    QSignalSpy rebuilds(&window(), &gui::SelectionWindow::listsRebuilt);
    choose(window().countryBox(), "United States");
    ASSERT_EQ(rebuilds.count(), 1);

    // Within the first second after the country: the pending firing finds
    // the refresh unarmed.
    QTest::keyClicks(window().areaCodeEdit(), "4");
    QTest::qWait(1300);
    EXPECT_EQ(rebuilds.count(), 1);
    EXPECT_EQ(pops(List::Main).size(), 7);
    ASSERT_TRUE(window().areaRefreshArmed());

    window().areaCodeEdit()->clear();
    QTest::keyClicks(window().areaCodeEdit(), "4");
    QTest::qWait(300);
    QTest::keyClicks(window().areaCodeEdit(), "0");
    QTest::qWait(300);
    QTest::keyClicks(window().areaCodeEdit(), "8");
    QTest::qWait(700);
    EXPECT_EQ(rebuilds.count(), 1) << "rebuilt before a second had passed since the last key";
    ASSERT_TRUE(QTest::qWaitFor([&] { return rebuilds.count() > 1; }, 2000));
    QTest::qWait(1200);
    EXPECT_EQ(rebuilds.count(), 2);
    EXPECT_EQ(pops(List::Main), (QStringList{"P4", "P5"}));
}

TEST_F(SelectionWindowTest, clearEmptiesTheAreaCodeBeforeItShowsTheWholeBook)
{
    ASSERT_TRUE(open());
    waitUntilArmed();
    QTest::keyClicks(window().areaCodeEdit(), "408");
    click("Clear");
    EXPECT_TRUE(window().areaCodeEdit()->text().isEmpty());
    EXPECT_EQ(pops(List::Main).size(), 9);
}

TEST_F(SelectionWindowTest, movesUpdateCounterAndChangeFlagButCustomerPopsStayWhereTheyAre)
{
    m_ws.writeHandheld("cepbook.txt", "#VER 1 - merged\r\n" + test::PopLine("US", "TX", "Dallas", "P7").str() + "\r\n");
    ASSERT_TRUE(open());
    choose(window().countryBox(), "United States");
    choose(window().stateBox(), "Texas");
    EXPECT_EQ(pops(List::Handheld), (QStringList{"P7"}));

    // Already on the handheld: nothing changes.
    selectPops(List::Main, {"P7"});
    click("Move to handheld");
    EXPECT_EQ(pops(List::Handheld), (QStringList{"P7"}));
    EXPECT_FALSE(window().selection().changed());

    // A customer POP would never reach the handheld: the Main list marks
    // it, it stays, and the status line says so.
    const int c1 = static_cast<int>(pops(List::Main).indexOf("C1"));
    EXPECT_TRUE(window().mainList()->model()->index(c1, 0).data(gui::PopListModel::kCustomerRole).toBool());
    selectPops(List::Main, {"C1"});
    click("Move to handheld");
    EXPECT_EQ(pops(List::Handheld), (QStringList{"P7"}));
    EXPECT_EQ(window().counter()->text(), "1");
    EXPECT_FALSE(window().selection().changed());
    EXPECT_EQ(window().statusLine()->text(), "1 customer POP was left where it is");

    selectPops(List::Main, {"P1", "P2", "P7"});
    click("Move to handheld");
    EXPECT_EQ(pops(List::Handheld), (QStringList{"P2", "P1", "P7"}));
    EXPECT_EQ(window().counter()->text(), "3");
    EXPECT_TRUE(window().selection().changed());

    // Moving everything back leaves the Main list alone.
    const QStringList main = pops(List::Main);
    window().handheldList()->setFocus();
    QTest::keyClick(window().handheldList(), Qt::Key_A, Qt::ControlModifier);
    click("Move back");
    EXPECT_TRUE(pops(List::Handheld).isEmpty());
    EXPECT_EQ(pops(List::Main), main);
    EXPECT_EQ(window().counter()->text(), "0");

    // Select All takes every Main row but the customer's.
    click("Select All");
    click("Move to handheld");
    QStringList masterRows = main;
    masterRows.removeAll(QStringLiteral("C1"));
    EXPECT_EQ(pops(List::Handheld), masterRows);
    EXPECT_TRUE(m_watcher.boxes.empty());
}

TEST_F(SelectionWindowTest, theLimitRefusesAMoveThatWouldExceedItCountingRowsAlreadyChosen)
{
    m_ws.writeWork("synconfig.ini", "[Profile]\r\nAppName=Window Test\r\nMaxPops=3\r\n");
    m_ws.writeHandheld("cepbook.txt", "#VER 1 - merged\r\n" + test::PopLine("US", "TX", "Dallas", "P7").str() + "\r\n");
    ASSERT_TRUE(open());
    choose(window().countryBox(), "United States");

    selectPops(List::Main, {"P1", "P3", "P7"});
    click("Move to handheld");
    ASSERT_EQ(m_watcher.boxes.size(), 1U);
    EXPECT_EQ(m_watcher.boxes[0].text, "Limit Exceeded:\nYou are allowed 3 phonebook records on your device.");
    EXPECT_EQ(m_watcher.boxes[0].title, "Window Test");
    EXPECT_EQ(pops(List::Handheld), (QStringList{"P7"}));
    EXPECT_FALSE(window().selection().changed());

    selectPops(List::Main, {"P1", "P3"});
    click("Move to handheld");
    EXPECT_EQ(m_watcher.boxes.size(), 1U);
    EXPECT_EQ(window().counter()->text(), "3");
}

TEST_F(SelectionWindowTest, headerClicksSortEachListAndKeepTheSelection)
{
    ASSERT_TRUE(open());
    choose(window().countryBox(), "United States");
    choose(window().stateBox(), "Texas");
    // Customer POPs first among their city ("first").
    EXPECT_EQ(pops(List::Main), (QStringList{"P2", "C1", "P4", "P1", "P7"}));

    selectPops(List::Main, {"P1"});
    clickHeader(window().mainList(), gui::PopListModel::kCityColumn);
    EXPECT_EQ(pops(List::Main), (QStringList{"P7", "P4", "P1", "C1", "P2"}));
    EXPECT_EQ(window().mainList()->header()->sortIndicatorOrder(), Qt::DescendingOrder);

    clickHeader(window().mainList(), gui::PopListModel::kNumberColumn);
    EXPECT_EQ(pops(List::Main), (QStringList{"P7", "P4", "P1", "C1", "P2"}));
    EXPECT_EQ(rows(window().mainList()),
              (QStringList{"Dallas|(214) 5550107", "Austin|(408) 5550104", "Austin|(512) 5550101",
                           "Austin|(512) 5550199", "Anywhere|(800) 5550102"}));
    clickHeader(window().mainList(), gui::PopListModel::kNumberColumn);
    EXPECT_EQ(pops(List::Main), (QStringList{"P2", "C1", "P1", "P4", "P7"}));

    // The selection follows its POP through the sorts.
    const auto selected = window().mainList()->selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected[0].row(), 2);

    // The Handheld list sorts on its own.
    selectPops(List::Main, {"P1", "P7", "P2"});
    QTest::mouseClick(button("Move to handheld"), Qt::LeftButton);
    EXPECT_EQ(pops(List::Handheld), (QStringList{"P2", "P1", "P7"}));
    clickHeader(window().handheldList(), gui::PopListModel::kCityColumn);
    EXPECT_EQ(pops(List::Handheld), (QStringList{"P7", "P1", "P2"}));
}

TEST_F(SelectionWindowTest, customerPopsGoLastWhenTheProfileSaysSo)
{
    m_ws.writeWork("synconfig.ini", "[Profile]\r\nAppName=Window Test\r\nCustomerPopSortFlag=last\r\n");
    ASSERT_TRUE(open());
    choose(window().countryBox(), "United States");
    choose(window().cityBox(), "Austin TX");
    EXPECT_EQ(pops(List::Main), (QStringList{"P4", "P1", "C1"}));
}

TEST_F(SelectionWindowTest, saveWritesTheHandheldAndReportsSuccessOrTheFailingStep)
{
    ASSERT_TRUE(open());
    choose(window().countryBox(), "United States");
    selectPops(List::Main, {"P3", "C1"});
    click("Move to handheld");

    m_ws.writeSimulator("FailCreateFile=cecountry.txt\r\n");
    click("Save");
    ASSERT_EQ(m_watcher.texts(), (std::vector<QString>{"Error occured while synchronizing country file"}));
    EXPECT_EQ(m_watcher.boxes[0].icon, QMessageBox::Critical);
    EXPECT_EQ(m_watcher.boxes[0].details,
              "The step that failed: copying country.txt to \\Program Files\\Tarvo\\cecountry.txt.\n"
              "Already on the handheld: cepbook.txt. The other files are as they were.");
    // Not "please wait" for ever: what the save came to.
    EXPECT_EQ(window().statusLine()->text(),
              "Save failed: Error occured while synchronizing country file. Already on the handheld: cepbook.txt.");
    EXPECT_TRUE(window().selection().changed());
    EXPECT_EQ(m_ui.busyDepth(), 0);

    m_ws.writeSimulator("");
    // Enter outside the lists presses the default button, Save.
    window().areaCodeEdit()->setFocus();
    QTest::keyClick(window().areaCodeEdit(), Qt::Key_Return);
    ASSERT_EQ(m_watcher.boxes.size(), 2U);
    EXPECT_EQ(m_watcher.boxes[1].text, "Synchronization with CE device completed successfully.");
    EXPECT_EQ(m_watcher.boxes[1].icon, QMessageBox::Information);
    EXPECT_EQ(m_watcher.boxes[1].title, "Window Test");
    EXPECT_FALSE(window().selection().changed());
    EXPECT_EQ(window().statusLine()->text(), "Saved 1 POP to the handheld");
    const std::string handheld = test::Workspace::read(m_ws.handheld("cepbook.txt"));
    EXPECT_NE(handheld.find(",P3,"), std::string::npos);
    EXPECT_EQ(handheld.find(",C1,"), std::string::npos) << "customer POPs never reach the handheld";
    // Exactly what the Windows window's Save leaves for the same choice.
    EXPECT_EQ(test::savedHandheld(m_ws), test::expectedSave());

    // Saved: leaving asks nothing.
    QTest::keyClick(&window(), Qt::Key_Escape);
    EXPECT_FALSE(window().isVisible());
    EXPECT_EQ(m_watcher.boxes.size(), 2U);
}

TEST_F(SelectionWindowTest, saveAsksBeforeReplacingAHandheldPhonebookThatCouldNotBeRead)
{
    const std::string old = "#VER 1 - merged\r\n" + test::PopLine("US", "TX", "Dallas", "P7").str() + "\r\n";
    m_ws.writeHandheld("cepbook.txt", old);
    m_ws.writeSimulator("ReadLimitBytes=10\r\n");
    ASSERT_TRUE(open());
    ASSERT_EQ(m_watcher.texts(), (std::vector<QString>{QString(SyncApp::kReadBackWarning)}));
    EXPECT_EQ(m_watcher.boxes[0].icon, QMessageBox::Warning);
    EXPECT_EQ(window().counter()->text(), "0");
    choose(window().countryBox(), "United States");
    selectPops(List::Main, {"P3"});
    click("Move to handheld");

    const QString question =
        "The phonebook on the CE device could not be read at start-up. Replace it with the POPs chosen here?";
    m_watcher.answerNext(QMessageBox::No);
    click("Save");
    ASSERT_EQ(m_watcher.boxes.size(), 2U);
    EXPECT_EQ(m_watcher.boxes[1].text, question);
    EXPECT_EQ(test::Workspace::read(m_ws.handheld("cepbook.txt")), old);
    EXPECT_TRUE(window().selection().changed());
    EXPECT_EQ(m_ui.busyDepth(), 0);

    m_watcher.answerNext(QMessageBox::Yes);
    click("Save");
    ASSERT_EQ(m_watcher.boxes.size(), 4U);
    EXPECT_EQ(m_watcher.boxes[2].text, question);
    EXPECT_EQ(m_watcher.boxes[3].text, "Synchronization with CE device completed successfully.");
    const std::string handheld = test::Workspace::read(m_ws.handheld("cepbook.txt"));
    EXPECT_NE(handheld.find(",P3,"), std::string::npos);
    EXPECT_FALSE(window().selection().changed());
}

TEST_F(SelectionWindowTest, leavingWithChangesAsksAndOnlyNoOrASuccessfulSaveClosesTheWindow)
{
    ASSERT_TRUE(open());
    choose(window().countryBox(), "United States");
    selectPops(List::Main, {"P3"});
    click("Move to handheld");

    m_watcher.answerNext(QMessageBox::Cancel);
    QTest::keyClick(&window(), Qt::Key_Escape);
    ASSERT_EQ(m_watcher.boxes.size(), 1U);
    EXPECT_EQ(m_watcher.boxes[0].text,
              "You have made changes to your device's phonebook. Do you want to synchronize changes?.");
    EXPECT_TRUE(window().isVisible());
    EXPECT_EQ(pops(List::Handheld), (QStringList{"P3"}));

    // Yes with a handheld that fails: the failure is shown and the choices
    // stay in the open window.
    m_ws.writeSimulator("FailCreateFile=cepbook.txt\r\n");
    m_watcher.answerNext(QMessageBox::Yes);
    click("Exit");
    ASSERT_EQ(m_watcher.boxes.size(), 3U);
    EXPECT_EQ(m_watcher.boxes[2].text, "Error occured while synchronizing phonebook file");
    EXPECT_TRUE(window().isVisible());
    EXPECT_TRUE(window().selection().changed());

    QSignalSpy finished(&window(), &QDialog::finished);
    m_watcher.answerNext(QMessageBox::No);
    window().close();
    EXPECT_FALSE(window().isVisible());
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished[0][0].toInt(), QDialog::Rejected);
    EXPECT_FALSE(test::Workspace::exists(m_ws.handheld("cepbook.txt")));
}

TEST_F(SelectionWindowTest, leavingKeepsColumnWidthsAndStartsAStagedInstallerOnce)
{
    m_ws.writeWork("synuser.ini", "[Main]\r\nColWidth=150,90,7,9\r\nLastCountry=US\r\n");
    m_ws.writeWork("synconfig.ini", "[Profile]\r\nAppName=Window Test\r\nShowPrice=no\r\n");
    m_ws.writeWork("_updatelist.txt", "files\r\n");
    ASSERT_TRUE(open());
    // Stored widths read back unchanged, however the font scales them.
    EXPECT_EQ(window().mainList()->storedWidths(), (std::array<int, 2>{150, 90}));
    EXPECT_GE(window().mainList()->header()->sectionSize(0), 150);

    click("Exit");
    ASSERT_EQ(m_watcher.texts(), (std::vector<QString>{"ERROR: Unable to update Synchronizer (2)"}));
    EXPECT_FALSE(test::Workspace::exists(m_ws.work("_updatelist.txt")));
    m_app->shutdown();
    const std::string settings = test::Workspace::read(m_ws.work("synuser.ini"));
    EXPECT_NE(settings.find("ColWidth=150,90,0,9"), std::string::npos) << settings;
    EXPECT_NE(settings.find("LastCountry=US\r\n"), std::string::npos) << settings;
}

TEST_F(SelectionWindowTest, aStartableInstallerRunsWithoutAMessage)
{
    m_ws.writeWork("_updatelist.txt", "files\r\n");
    std::filesystem::create_directories(m_ws.work("update"));
    m_ws.writeWork("update/setup.exe", "#!/bin/sh\ntouch installer-ran\n");
    std::filesystem::permissions(m_ws.work("update/setup.exe"), std::filesystem::perms::owner_all);
    ASSERT_TRUE(open());
    click("Exit");
    EXPECT_TRUE(m_watcher.boxes.empty());
    EXPECT_FALSE(test::Workspace::exists(m_ws.work("_updatelist.txt")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return test::Workspace::exists(m_ws.work("installer-ran")); }, 5000));
}

TEST_F(SelectionWindowTest, everyControlCanBeReachedByKeyboardAndHasAName)
{
    ASSERT_TRUE(open());
    for (QWidget* widget : window().findChildren<QWidget*>()) {
        if (widget->isVisibleTo(&window()) && (widget->focusPolicy() & Qt::TabFocus) && widget->isEnabled()) {
            EXPECT_FALSE(widget->accessibleName().isEmpty()) << widget->metaObject()->className();
        }
    }
    // Mnemonics reach the filters and the lists.
    QTest::keyClick(&window(), Qt::Key_Y, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), window().cityBox());
    QTest::keyClick(&window(), Qt::Key_P, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), window().handheldList());
    QTest::keyClick(&window(), Qt::Key_A, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), window().areaCodeEdit());
    // Tab goes on to Clear and then the Main list.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), window().mainList());
}

TEST(PopListModel, cellTextsAreCityAndAreaCodeWithNumberCutTo99Characters)
{
    test::TempDir dir;
    dir.write("pbook.txt", test::PopFile({test::PopLine("US", "TX", "Caf\xE9", "P1")
                                              .set(PopColumn::AREA_CODE, "")
                                              .set(PopColumn::PHONE_NUMBER, "5550100")
                                              .str(),
                                          test::PopLine("US", "TX", std::string(120, 'x'), "P2")
                                              .set(PopColumn::AREA_CODE, "512")
                                              .set(PopColumn::PHONE_NUMBER, std::string(120, '9'))
                                              .str()}));
    PopList pops;
    ASSERT_EQ(pops.loadFile(PopList::Mode::ClearFirst, dir.file("pbook.txt"), PopList::Source::Master),
              PopFileStatus::Read);
    auto it = pops.begin();
    const PopRecord& first = *it;
    const PopRecord& second = *++it;
    EXPECT_EQ(gui::PopListModel::cellText(first, 0), QString::fromUtf8("Caf\xC3\xA9"));
    EXPECT_EQ(gui::PopListModel::cellText(first, 1), "5550100");
    EXPECT_EQ(gui::PopListModel::cellText(second, 0), QString(99, 'x'));
    EXPECT_EQ(gui::PopListModel::cellText(second, 1), "(512) " + QString(93, '9'));
}
