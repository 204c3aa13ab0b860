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
