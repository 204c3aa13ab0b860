#include "gui/SynchronizerProgram.h"

#include "app/AppEnvironment.h"
#include "app/CommandLine.h"
#include "app/SyncApp.h"
#include "gui/DeviceWaitNotice.h"
#include "gui/InstanceGuard.h"
#include "gui/QtFrontEnd.h"
#include "gui/SelectionWindow.h"
#include "updater/UpdateService.h"

#include <QGuiApplication>
#include <QPointer>

namespace tarvo::gui {

int runSynchronizer(const QStringList& arguments)
{
    QtFrontEnd frontEnd;
    SyncApp app(frontEnd, SyncApp::Kind::Window, AppEnvironment::fromProcess());

    InstanceGuard instance;
    app.setInstanceCheck(
        [&instance](const std::string& appName) { return instance.anotherCopyRaised(QString::fromStdString(appName)); });
    app.setRetryOffer([&frontEnd](const std::string& text, const std::string& details) {
        return frontEnd.askRetry(text, details, SyncApp::kTitle);
    });
    DeviceWaitNotice waiting(QString::fromLatin1(SyncApp::kTitle));
    app.setDeviceWait([&waiting](bool wait) { waiting.setWaiting(wait); });

    // The arguments after the program name, as one line for the core's
    // tokenizer.
    const QString line = arguments.mid(1).join(QLatin1Char(' '));
    switch (app.startup(parseCommandLine(line.toStdString()))) {
    case SyncApp::Startup::Ready:
        break;
    case SyncApp::Startup::EndedSilently:
        return 0;
    case SyncApp::Startup::Failed:
        return 1;
    }

    // The window's update command runs the application's update service.
    UpdateRunner updater{[&app](UpdateObserver& observer) { return app.updateService().start(observer); },
                         [&app] { app.updateService().cancel(); },
                         app.folder().path(WorkingFolder::kUpdateLog), app.applicationName()};
    SelectionWindow window(app, frontEnd, updater);
    QPointer<SelectionWindow> guarded(&window);
    frontEnd.setWindow(&window, [guarded](const QString& text) {
        if (guarded)
            guarded->setStatusText(text);
    });
    instance.setWindow(&window);
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, &window, [&window, &app] {
        window.storeUserSettings();
        app.shutdown();
    });

    window.exec();

    app.shutdown();
    frontEnd.clearWindow();
    return 0;
}

} // namespace tarvo::gui
