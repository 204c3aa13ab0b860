// Saves what an X display shows of one window (or the whole screen) as a
// PNG: the screenshot script's camera, so the program itself needs no
// picture-taking hook.
//
//   tarvo-screengrab OUT.png [WINDOW-ID]
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    QGuiApplication application(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() < 2 || args.size() > 3) {
        std::fprintf(stderr, "usage: tarvo-screengrab OUT.png [WINDOW-ID]\n");
        return 2;
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        std::fprintf(stderr, "tarvo-screengrab: no screen\n");
        return 1;
    }
    bool ok = true;
    const WId window = args.size() == 3 ? static_cast<WId>(args[2].toULongLong(&ok, 0)) : 0;
    if (!ok) {
        std::fprintf(stderr, "tarvo-screengrab: bad window id\n");
        return 2;
    }
    const QPixmap shot = screen->grabWindow(window);
    if (shot.isNull() || !shot.save(args[1], "PNG")) {
        std::fprintf(stderr, "tarvo-screengrab: cannot save %s\n", qPrintable(args[1]));
        return 1;
    }
    return 0;
}
