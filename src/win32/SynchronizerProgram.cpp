#include "win32/SynchronizerProgram.h"

#include "app/AppEnvironment.h"
#include "app/CommandLine.h"
#include "app/SyncApp.h"
#include "app/WorkingFolder.h"
#include "support/WideText.h"
#include "updater/UpdateService.h"
#include "win32/DeviceWaitNotice.h"
#include "win32/OtherCopy.h"
#include "win32/SelectionWindow.h"
#include "win32/Win32FrontEnd.h"

#include <commctrl.h>

namespace tarvo::win32 {

int runSynchronizer(const std::wstring& commandLine)
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);

    Win32FrontEnd frontEnd;
    SyncApp app(frontEnd, SyncApp::Kind::Window, AppEnvironment::fromProcess());
    OtherCopy instance;
    app.setInstanceCheck([&instance](const std::string& appName) { return instance.raised(appName); });
    app.setRetryOffer([&frontEnd](const std::string& text, const std::string& details) {
        return frontEnd.askRetry(text, details, SyncApp::kTitle);
    });
    DeviceWaitNotice waiting;
    app.setDeviceWait([&waiting](bool wait) { waiting.setWaiting(wait); });

    // The command line reaches the core's tokenizer as ANSI text, as the
    // desktop hands it to a program of 8-bit texts.
    switch (app.startup(parseCommandLine(wideToAnsi(commandLine)))) {
    case SyncApp::Startup::Ready:
        break;
    case SyncApp::Startup::EndedSilently:
        return 0;
    case SyncApp::Startup::Failed:
        return 1;
    }

    UpdateRunner updater{[&app](UpdateObserver& observer) { return app.updateService().start(observer); },
                         [&app] { app.updateService().cancel(); },
                         app.folder().path(WorkingFolder::kUpdateLog), app.applicationName()};
    SelectionWindow window(app, frontEnd, updater);
    if (!window.open())
        return 1;
    frontEnd.setWindow(window.window(), [&window](const std::string& text) {
        if (!window.closed())
            window.setStatusText(text);
    });
    window.run();

    frontEnd.clearWindow();
    app.shutdown();
    return 0;
}

} // namespace tarvo::win32
