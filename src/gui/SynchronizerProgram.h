#pragma once

#include <QStringList>

namespace tarvo::gui {

// The window program from start to end: the command line, the core's
// start-up, the single-instance check, the modal selection window, and the
// shutdown step after it closes or when the desktop session ends. Needs a
// QApplication; answers the process's exit code.
int runSynchronizer(const QStringList& arguments);

} // namespace tarvo::gui
