#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

// The window tests need a QApplication; without a display they run on Qt's
// offscreen platform (also when ctest lists the tests at build time).
int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
