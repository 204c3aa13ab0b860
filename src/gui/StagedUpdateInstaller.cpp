#include "gui/StagedUpdateInstaller.h"

#include "app/WorkingFolder.h"
#include "support/FrontEnd.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <cerrno>
#include <cstdio>

namespace tarvo::gui {

void StagedUpdateInstaller::startIfStaged(FrontEnd& frontEnd, const std::string& caption, const WorkingFolder& folder)
{
    const QString marker = QString::fromStdString(folder.path(WorkingFolder::kUpdateMarker));
    if (!QFileInfo::exists(marker))
        return;
    const QString installer = QString::fromStdString(folder.path(kInstaller));
    const QFileInfo info(installer);
    int error = 0;
    if (!info.isFile()) {
        error = ENOENT;
    } else if (!info.isExecutable()) {
        error = EACCES;
    } else {
        errno = 0;
        if (!QProcess::startDetached(installer, {}, QString::fromStdString(folder.root().string())))
            error = errno != 0 ? errno : ECHILD;
    }
    if (error != 0) {
        char text[128];
        std::snprintf(text, sizeof text, kStartFailed, error);
        frontEnd.messageBox(text, caption, MessageIcon::Error);
    }
    QFile::remove(marker);
}

} // namespace tarvo::gui
