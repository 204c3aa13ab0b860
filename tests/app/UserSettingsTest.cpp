#include "app/UserSettings.h"

#include "fixtures/TempDir.h"

#include <gtest/gtest.h>

using namespace tarvo;
using tarvo::test::TempDir;

TEST(UserSettings, defaultsWithoutFileAndWidthsNeedFourFields)
{
    TempDir dir;
    UserSettings absent(dir.file("synuser.ini"));
    absent.load();
    EXPECT_EQ(absent.colWidth(), (std::array<int, 4>{112, 100, 0, 0}));

    dir.write("short.ini", "[Main]\r\nColWidth=50,60,70\r\nCountry=US\r\n");
    UserSettings shortList(dir.file("short.ini"));
    shortList.load();
    EXPECT_EQ(shortList.colWidth(), (std::array<int, 4>{0, 0, 0, 0}));
    EXPECT_EQ(shortList.country(), "US");
}

TEST(UserSettings, savedWidthsFollowShowPriceAndSurviveReload)
{
    TempDir dir;
    dir.write("synuser.ini", "[Main]\r\nColWidth=1,2,3,44\r\nRegion=TX\r\n");
    UserSettings settings(dir.file("synuser.ini"));
    settings.load();
    settings.storeColumnWidths(false, {120, 90, 0, 0});
    settings.save();
    settings.save(); // the shutdown step may run twice

    UserSettings reloaded(dir.file("synuser.ini"));
    reloaded.load();
    EXPECT_EQ(reloaded.colWidth(), (std::array<int, 4>{120, 90, 0, 44}));
    EXPECT_EQ(reloaded.region(), "TX");

    settings.storeColumnWidths(true, {120, 90, 0, 0});
    settings.save();
    reloaded.load();
    EXPECT_EQ(reloaded.colWidth()[3], 0);
}

TEST(UserSettings, windowLayoutAndFilterRoundTripAndAFileWithoutThemGainsNoLayoutKeys)
{
    TempDir dir;
    dir.write("plain.ini", "[Main]\r\nColWidth=1,2,0,0\r\n");
    UserSettings plain(dir.file("plain.ini"));
    plain.load();
    EXPECT_TRUE(plain.windowLayout().frame.empty());
    ASSERT_TRUE(plain.save());
    EXPECT_EQ(dir.read("plain.ini"),
              "[Main]\r\nColWidth=1,2,0,0\r\nCountry=\r\nRegion=\r\nCity=\r\nAreaCode=\r\n");

    plain.setWindowLayout({{-20, 40, 3052, 700}, true, {600, 90, 400}, {150, 0}});
    plain.rememberFilter({"US", "CA", "San Jose", "CA"});
    ASSERT_TRUE(plain.save());
    UserSettings reloaded(dir.file("plain.ini"));
    reloaded.load();
    EXPECT_EQ(reloaded.windowLayout().frame, (std::vector<int>{-20, 40, 3052, 700}));
    EXPECT_TRUE(reloaded.windowLayout().maximized);
    EXPECT_EQ(reloaded.windowLayout().splitter, (std::vector<int>{600, 90, 400}));
    EXPECT_EQ(reloaded.windowLayout().handheldColumns, (std::vector<int>{150, 0}));
    EXPECT_EQ(reloaded.lastFilter(), (UserSettings::LastFilter{"US", "CA", "San Jose", "CA"}));
    EXPECT_EQ(reloaded.country(), "");

    dir.write("odd.ini", "[Main]\r\nWindow=\r\nSplitter=1,2,3,4,5,6,7,8,9\r\n");
    UserSettings odd(dir.file("odd.ini"));
    odd.load();
    EXPECT_TRUE(odd.windowLayout().frame.empty());
    EXPECT_TRUE(odd.windowLayout().splitter.empty());
}
