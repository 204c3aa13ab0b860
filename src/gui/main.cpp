#include "BuildInfo.h"
#include "gui/SynchronizerProgram.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tarvo-synchronizer"));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(tarvo::build::kAppId));
    return tarvo::gui::runSynchronizer(QApplication::arguments());
}
