// The Qt window's first paint and a country change on the phonebook the
// environment names (TARVO_REGISTRY, TARVO_DEVICE, the current folder as
// the working folder), on whatever display Qt is given: the Linux half of
// bench/window-paint-compare, which runs the Windows window
// (bench/win32/bench_window_win32.exe) on the same book on the same display.
//
// Prints "qt first_paint_ms N" (the window made and shown until its lists,
// filled with the whole phonebook, are painted) and "qt country_change_ms N"
// (the median of five choices of the country with the most POPs, from
// another, until both lists are painted again).

#include "app/SyncApp.h"
#include "gui/QtFrontEnd.h"
#include "gui/SelectionWindow.h"
#include "phonebook/MasterPhonebook.h"
#include "phonebook/PopRecord.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QTreeView>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void choose(QComboBox* box, int index)
{
    box->setCurrentIndex(index);
    emit box->activated(index);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    tarvo::gui::QtFrontEnd ui;
    tarvo::SyncApp app(ui, tarvo::SyncApp::Kind::Window, tarvo::AppEnvironment::fromProcess());
    if (app.startup({}) != tarvo::SyncApp::Startup::Ready)
        return 1;

    const Clock::time_point opening = Clock::now();
    tarvo::gui::SelectionWindow window(app, ui);
    window.show();
    (void)QTest::qWaitForWindowExposed(&window);
    (void)QTest::qWaitFor([&] { return !window.counter()->text().isEmpty(); }, 600000);
    window.mainList()->viewport()->repaint();
    window.handheldList()->viewport()->repaint();
    std::printf("qt first_paint_ms %.0f\n", msSince(opening));

    std::map<std::string, int, std::less<>> count;
    for (const tarvo::PopRecord& pop : app.phonebook().pops())
        ++count[std::string(pop.country())];
    const auto choices = window.selection().countryChoices();
    int biggest = 0;
    for (std::size_t i = 0; i < choices.size(); ++i)
        if (count[choices[i]->code] > count[choices[static_cast<std::size_t>(biggest)]->code])
            biggest = static_cast<int>(i);
    const int other = biggest == 0 ? 1 : 0;

    std::vector<double> changes;
    for (int round = 0; round < 5; ++round) {
        choose(window.countryBox(), other);
        QApplication::processEvents();
        const Clock::time_point start = Clock::now();
        choose(window.countryBox(), biggest);
        window.mainList()->viewport()->repaint();
        window.handheldList()->viewport()->repaint();
        changes.push_back(msSince(start));
    }
    std::sort(changes.begin(), changes.end());
    std::printf("qt country_change_ms %.0f\n", changes[changes.size() / 2]);
    std::printf("qt main_rows %zu\n", window.selection().rows(tarvo::SelectionModel::List::Main).size());
    app.shutdown();
    return 0;
}
