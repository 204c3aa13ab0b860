#include "gui/SynchronizerProgram.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tarvo-synchronizer"));
    return tarvo::gui::RunSynchronizer(QApplication::arguments());
}
