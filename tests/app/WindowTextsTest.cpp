// What both windows say and decide, made in the application: the status
// line after a move or a save, the update's summary, the cells of the
// lists, the agreement and the placement on a screen.
#include "app/Agreement.h"
#include "app/PopCellText.h"
#include "app/StatusLine.h"
#include "app/UpdateSummary.h"
#include "app/WindowPlacement.h"
#include "app/WorkingFolder.h"
#include "fixtures/PopLine.h"
#include "fixtures/TempDir.h"
#include "phonebook/PopList.h"
#include "phonebook/PopRecord.h"

#include <gtest/gtest.h>

using namespace tarvo;

TEST(StatusLine, aMoveSaysWhatMovedWhatWasThereAndWhatStaysAndASaveWhatReachedTheHandheld)
{
    SelectionModel::Move move;
    move.moved = 2;
    move.customerPops = 1;
    EXPECT_EQ(StatusLine::afterMove(move, 4, 1000),
              "Added 2 POPs to the handheld list (1 already there); Save sends them to the handheld; "
              "1 customer POP was left where it is");
    EXPECT_EQ(StatusLine::afterMove({false, 0, 3}, 3, 1000), "3 customer POPs were left where they are");
    EXPECT_EQ(StatusLine::afterMove({true, 0, 0}, 5, 1), "Nothing added: the handheld takes at most 1 POP");
    EXPECT_EQ(StatusLine::afterMove({false, 0, 0}, 1, 1000), "Nothing added: that POP is already on the handheld list");

    SyncApp::Saved saved;
    saved.retired = 2;
    EXPECT_EQ(StatusLine::afterSave(saved, 1),
              "Saved 1 POP to the handheld; 2 POPs no longer in the master phonebook were taken off the handheld");
    saved.result = SyncProcedure::Result::Declined;
    saved.retired = 0;
    EXPECT_EQ(StatusLine::afterSave(saved, 5), "Not saved: the handheld was left as it was");
    EXPECT_EQ(StatusLine::saveFailed("Error occured while synchronizing country file", {"cepbook.txt", "ceregion.txt"}),
              "Save failed: Error occured while synchronizing country file. Already on the handheld: cepbook.txt, "
              "ceregion.txt.");
    EXPECT_EQ(StatusLine::withNote("No file reached the handheld.", "1 POP gone"), "No file reached the handheld. 1 POP gone.");
}

TEST(UpdateSummary, aFailureCarriesTheLogsReasonOnOneLineAndAStoppedRunIsCancelled)
{
    test::TempDir dir;
    dir.write("update.log", "Phonebook update\n-2: Unable to get http://a/verce/42.ver\nthe server could not be reached\n");
    const std::string reason = UpdateSummary::reasonFor("Application update failed.", dir.file("update.log"));
    EXPECT_EQ(UpdateSummary::of(true, true, "Application update failed.", reason),
              "Application update failed. -2: Unable to get http://a/verce/42.ver; the server could not be reached");
    EXPECT_EQ(UpdateSummary::reasonFor("Application update failed.", dir.file("none.log")), UpdateSummary::kNoReason);
    EXPECT_EQ(UpdateSummary::reasonFor("The Application is up to date.", dir.file("update.log")), "");
    EXPECT_EQ(UpdateSummary::of(true, false, "Downloading", ""), "cancelled");
    EXPECT_EQ(UpdateSummary::of(false, false, "Initializing...", ""), "not started, another update is running");
}

TEST(PopCellText, cellsAreCutTo99CharactersAndAnAllCityRowSaysSoWithinThem)
{
    test::TempDir dir;
    dir.write("pbook.txt", test::PopFile({test::PopLine("US", "TX", std::string(95, 'c'), "P1")
                                              .set(PopColumn::AREA_CODE, "")
                                              .set(PopColumn::PHONE_NUMBER, "5550100")
                                              .set(PopColumn::ALL_CITY, "1")
                                              .str()}));
    PopList pops;
    ASSERT_EQ(pops.loadFile(PopList::Mode::ClearFirst, dir.file("pbook.txt"), PopList::Source::Master),
              PopFileStatus::Read);
    const PopRecord& pop = *pops.begin();
    EXPECT_EQ(PopCellText::text(pop, SortColumn::Number), "5550100");
    EXPECT_EQ(PopCellText::text(pop, SortColumn::City), std::string(95, 'c'));
    EXPECT_EQ(PopCellText::text(pop, SortColumn::City, true), std::string(95, 'c') + " (al");
}

TEST(Agreement, isShownUntilAcceptedAndReadsUpToItsFirstNul)
{
    test::TempDir dir;
    std::filesystem::create_directories(dir.path() / "log");
    const WorkingFolder folder(dir.path());
    const Agreement terms(folder, "");
    EXPECT_FALSE(terms.needsShowing()) << "no agreement: nothing to accept";
    dir.write(".eua", std::string("Terms\r\n\0hidden", 15));
    EXPECT_TRUE(terms.needsShowing());
    EXPECT_EQ(terms.text(), "Terms\r\n");
    terms.accept();
    EXPECT_FALSE(terms.needsShowing());
    EXPECT_EQ(dir.read("log/.eua").size(), 15U) << "the copy is the whole file";
}

TEST(WindowPlacement, aStoredPlaceComesBackInsideAndANewWindowIsCentredNoSmallerThanItsControls)
{
    using Placement = tarvo::WindowPlacement;
    const Placement::Rect area{0, 0, 1600, 1000};
    const Placement::Frame frame{4, 30, 4, 4};
    EXPECT_EQ(Placement::fit({5000, 4000, 800, 600}, frame, {400, 300}, area), (Placement::Rect{796, 396, 800, 600}));
    EXPECT_EQ(Placement::fit({-50, -50, 3000, 2000}, frame, {400, 300}, area), (Placement::Rect{4, 30, 1592, 966}));
    EXPECT_EQ(Placement::centred({920, 640}, frame, {400, 300}, area), (Placement::Rect{340, 193, 920, 640}));
    // Controls that need more than the screen: as much as there is, at the top left.
    EXPECT_EQ(Placement::centred({920, 640}, frame, {2000, 1200}, area), (Placement::Rect{4, 30, 1592, 966}));
}
